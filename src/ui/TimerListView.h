#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

#include "platform/DateFormatter.h"
#include "platform/Published.h"
#include "timers/TimerItem.h"

class QAbstractButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace brindlecap {

class AppSettingsStore;
class TimerRowView;
class TimerStore;

// The list popover's content: a title bar with the settings button, the number of active timers
// with a button for the manual composer, and the active timers (or a hint when there are none).
// It follows both stores while it is on screen (and catches up when shown); rows are kept per
// timer id so they keep their hover.
// `dates` must outlive the view.
class TimerListView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 360;
  static constexpr int kMaximumListHeight = 390;
  // Rows are built this many at a time, more as the list is scrolled near its end: thousands of
  // row widgets would take seconds and hundreds of megabytes for a list that shows six.
  static constexpr std::size_t kRowBatch = 40;

  TimerListView(std::shared_ptr<TimerStore> store, std::shared_ptr<AppSettingsStore> settings,
                const DateFormatter& dates, std::function<void()> onOpenSettings,
                std::function<void()> onCreateTimer, QWidget* parent = nullptr);
  ~TimerListView() override;

  // The rows built, top to bottom: the first active timers, kRowBatch more each time the list is
  // scrolled to its end.
  const std::vector<TimerRowView*>& rows() const { return rows_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void refresh();
  void rebuildRows(const std::vector<TimerItem>& active);
  void fitListHeight();
  void applyAccent();
  void applyTextStyles();

  std::shared_ptr<TimerStore> store_;
  std::shared_ptr<AppSettingsStore> settings_;
  const DateFormatter& dates_;
  std::function<void()> onOpenSettings_;
  std::function<void()> onCreateTimer_;

  QLabel* titleLabel_;
  QAbstractButton* settingsButton_;
  QLabel* countLabel_;
  QAbstractButton* createButton_;
  QWidget* emptyState_;
  QWidget* emptyGlyph_;
  QLabel* emptyHeadline_;
  QLabel* emptyHint_;
  QScrollArea* scrollArea_;
  QWidget* listContent_;
  QVBoxLayout* listLayout_;
  std::vector<TimerRowView*> rows_;
  std::vector<QWidget*> dividers_;
  bool stale_ = true;  // something changed while the list was hidden
  std::size_t rowLimit_ = kRowBatch;

  // Last, so they are dropped before any widget they would touch.
  Subscription itemsSubscription_;
  Subscription nowSubscription_;
  Subscription tickDemand_;
  Subscription accentSubscription_;
};

}  // namespace brindlecap
