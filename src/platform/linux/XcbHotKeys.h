#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/HotKeys.h"

struct xcb_connection_t;

namespace brindlecap {

// System-wide hot keys as passive key grabs on the X11 root window. Control, option, command and
// shift become Control, the modifier holding Alt, the one holding Super, and Shift; the key codes
// M, T and D become whichever keycodes carry those letters. Num Lock and Caps Lock are ignored.
// A combination another client already grabbed is refused. Presses are read from Qt's own xcb
// connection and reported on the GUI thread, once per press (auto-repeat is swallowed).
class XcbHotKeys : public QObject, public QAbstractNativeEventFilter, public HotKeySystem {
  Q_OBJECT

 public:
  // Uses QGuiApplication's X11 connection; on any other platform nothing can be registered.
  explicit XcbHotKeys(QObject* parent = nullptr);
  ~XcbHotKeys() override;
  XcbHotKeys(const XcbHotKeys&) = delete;
  XcbHotKeys& operator=(const XcbHotKeys&) = delete;

  // True when running on X11 (the only case in which registerHotKey can succeed).
  bool available() const;

  // Releases any previous grab first. Unavailable without X11; taken when the letter has no key,
  // the combination has no modifier other than shift, or another client holds it.
  HotKeyStatus registerHotKey(const HotKeyCombination& combination) override;
  void unregisterHotKey() override;
  void setPressHandler(std::function<void()> handler) override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  xcb_connection_t* connection_ = nullptr;
  std::uint32_t root_ = 0;
  std::function<void()> handler_;

  // The current grab; no keycodes when nothing is registered.
  std::vector<std::uint8_t> keycodes_;
  std::uint16_t modifiers_ = 0;
  std::uint16_t ignoredLocks_ = 0;  // Caps Lock and Num Lock masks, grabbed in every combination
  bool held_ = false;               // pressed and not yet released: later presses are repeats
  std::uint32_t lastReleaseTime_ = 0;
};

}  // namespace brindlecap
