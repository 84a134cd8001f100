#pragma once

#include <functional>
#include <memory>

namespace brindlecap {

// What a drag session hears while the button is held (or, for a gesture without a held button,
// while it has the pointer).
struct DragEvent {
  enum class Type { leftMouseUp, leftMouseDragged, keyDown, leftMouseDown, otherMouseDown };
  Type type = Type::leftMouseDragged;
  int keyCode = 0;  // for keyDown: kEscapeKeyCode for Escape
};
inline constexpr int kEscapeKeyCode = 53;

// Delivers pointer and keyboard events to a drag session (on Linux through the grabs a press
// gives). The handler returns true to swallow the event. Removing the token ends delivery.
class DragEventMonitor {
 public:
  virtual ~DragEventMonitor() = default;
  using Token = std::shared_ptr<void>;
  [[nodiscard]] virtual Token install(std::function<bool(const DragEvent&)> handler) = 0;
  // The same without a press to ride on: takes the pointer and the keyboard itself, so clicks
  // anywhere on screen come here. Nothing when another program holds them.
  [[nodiscard]] virtual Token installGrabbing(std::function<bool(const DragEvent&)> handler) = 0;
  virtual void remove(const Token& token) = 0;
};

class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual void hide() = 0;
  virtual void unhide() = 0;
};

// Tactile feedback; a no-op where the hardware has none (Linux).
class Haptics {
 public:
  virtual ~Haptics() = default;
  virtual void performAlignment() = 0;
};

}  // namespace brindlecap
