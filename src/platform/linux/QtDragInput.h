#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/DragInput.h"

namespace brindlecap {

// Drag events through an application event filter. The press that starts a drag already gives
// an implicit pointer grab; the keyboard is grabbed too so Escape arrives without focus. Without
// a press, a tiny window of ours takes the pointer and the keyboard for the gesture.
class QtDragEventMonitor : public QObject, public DragEventMonitor {
 public:
  ~QtDragEventMonitor() override;
  Token install(std::function<bool(const DragEvent&)> handler) override;
  Token installGrabbing(std::function<bool(const DragEvent&)> handler) override;
  void remove(const Token& token) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(const DragEvent&)> handler_;
  std::weak_ptr<void> current_;
  QPointer<QWidget> keyboardGrabber_;
  QPointer<QWidget> grabWindow_;  // holds the pointer for a gesture without a held button
  bool grabbing_ = false;
};

// Hides the pointer with an application-wide blank cursor; calls nest.
class QtCursor : public Cursor {
 public:
  void hide() override;
  void unhide() override;
};

class NoHaptics : public Haptics {
 public:
  void performAlignment() override {}
};

}  // namespace brindlecap
