#pragma once

#include <functional>
#include <memory>

#include <QColor>
#include <QString>
#include <QWidget>

#include "platform/Published.h"

class QLabel;
class QPushButton;

namespace brindlecap {

class AppSettingsStore;
class SymbolView;

// The onboarding window's content, exactly kWidth × kHeight pixels: three pages (the drag gesture,
// keeping the icon visible, reaching the timers without it) with back and next buttons. The
// accent follows settings->threadColor and page 3 shows settings->globalShortcut, both live; the
// view writes no setting. The primary button on the last page calls onFinish and stays there.
class OnboardingView : public QWidget {
 public:
  static constexpr int kWidth = 470, kHeight = 330;

  OnboardingView(std::shared_ptr<AppSettingsStore> settings, std::function<void()> onFinish,
                 QWidget* parent = nullptr);
  ~OnboardingView() override;

  // The page shown: 0, 1 or 2. Kept while the window is hidden.
  int step() const;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  struct Page {
    QString symbol;
    QString title;
    QString body;
  };

  Page gestureStep() const;
  Page menuBarStep() const;
  Page shortcutStep() const;
  Page currentPage() const;

  void goBack();
  void goForward();
  void refresh();
  void applyAccent();
  void applyTextStyles();

  std::shared_ptr<AppSettingsStore> settings_;
  std::function<void()> onFinish_;
  int step_ = 0;
  QString shortcut_;  // the global shortcut's display tokens, joined

  QLabel* nameLabel_;
  QLabel* counterLabel_;
  SymbolView* symbolView_;
  QLabel* titleLabel_;
  QLabel* bodyLabel_;
  QPushButton* backButton_;
  QPushButton* primaryButton_;

  Subscription accentSubscription_;
  Subscription shortcutSubscription_;
};

}  // namespace brindlecap
