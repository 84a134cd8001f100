#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/DragInput.h"

namespace brindlecap {

// Drag events through an application event filter. The press that starts a drag already gives
// an implicit pointer grab; the keyboard is grabbed too so Escape arrives without focus.
class QtDragEventMonitor : public QObject, public DragEventMonitor {
 public:
  Token install(std::function<bool(const DragEvent&)> handler) override;
  void remove(const Token& token) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool(const DragEvent&)> handler_;
  std::weak_ptr<void> current_;
  QPointer<QWidget> keyboardGrabber_;
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
