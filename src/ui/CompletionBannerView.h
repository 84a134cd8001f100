#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/CompletionBannerPanel.h"

class QAbstractButton;
class QLabel;
class QMenu;

namespace brindlecap {

class SymbolView;

// The banner's window content (330 × 136 by default): the timer symbol, a one-line title, a
// one-line body ("Время вышло"), "Закрыть" and the accent snooze pill with its chevron and menu. A
// frameless, always-on-top tool window that never takes the focus; its buttons act on the first
// click and a press anywhere else dismisses. Translucent, it needs a compositing manager; otherwise
// it is opaque and shaped to its rounded rectangle.
class CompletionBannerView : public QWidget {
 public:
  explicit CompletionBannerView(bool translucent);
  ~CompletionBannerView() override;

  // Read when the click happens, so they may be set after construction.
  std::function<void()> onDismiss;
  std::function<void()> onQuickSnooze;
  std::function<void()> onShowSnoozeOptions;

  void setTitle(const QString& text);
  void setBody(const QString& text);
  void setQuickSnoozeTitle(const QString& text);
  void setAccent(const QColor& accent);
  void setButtonsEnabled(bool enabled);
  // Lays the content out for the current size; a hidden window gets no resize event until shown.
  void fitToSize();

  // Opens the snooze menu at the chevron's bottom-right corner; a menu still open is closed
  // first. `closed` runs once, with the chosen item's tag or nothing.
  void popUpSnoozeMenu(const std::vector<SnoozeMenuItem>& items,
                       std::function<void(std::optional<int> tag)> closed);
  // Ends an open snooze menu as closed without a choice.
  void closeSnoozeMenu();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  class BannerButton;
  class SnoozeControl;
  struct MenuSession;

  int textWidth() const;
  void applyTitle();
  void applyBody();
  void applyAppearance();
  void layoutContent();

  bool translucent_;
  QString fullTitle_;
  QString fullBody_;
  SymbolView* icon_;
  QLabel* title_;
  QLabel* body_;
  BannerButton* closeButton_;
  SnoozeControl* snoozeControl_;
  BannerButton* quickSnoozeButton_;
  BannerButton* optionsButton_;
  QPointer<QMenu> menu_;
  std::shared_ptr<MenuSession> menuSession_;
};

}  // namespace brindlecap
