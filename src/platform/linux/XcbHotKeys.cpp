#include "platform/linux/XcbHotKeys.h"

#include "platform/linux/XcbConnection.h"

#include <QtGui/qguiapplication_platform.h>
#include <QCoreApplication>
#include <QGuiApplication>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace brindlecap {

namespace {

// The eight core modifier bits; key event states also carry buttons and the keyboard group.
constexpr std::uint16_t kCoreModifiers = 0xff;

std::optional<xcb_keysym_t> keysymFor(char letter) {
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  // Latin letters' keysyms are their lower-case ASCII codes.
  return static_cast<xcb_keysym_t>(letter - 'A' + 'a');
}

using KeySymbols = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;

// Every keycode carrying `keysym` in some group or level, so the grab follows the physical key
// whichever layout is active.
std::vector<xcb_keycode_t> keycodesFor(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
  std::vector<xcb_keycode_t> result;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  if (codes == nullptr) return result;
  for (const xcb_keycode_t* code = codes; *code != XCB_NO_SYMBOL; ++code) {
    if (std::find(result.begin(), result.end(), *code) == result.end()) result.push_back(*code);
  }
  std::free(codes);
  return result;
}

// Which of Mod1…Mod5 hold Alt, Super and Num Lock in the current modifier map.
struct ModifierMasks {
  std::uint16_t alt = 0;
  std::uint16_t super = 0;
  std::uint16_t numLock = 0;
};

ModifierMasks readModifierMasks(xcb_connection_t* c, xcb_key_symbols_t* symbols) {
  ModifierMasks masks;
  std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
      xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr), &std::free);
  if (reply) {
    const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    const auto holding = [&](std::initializer_list<xcb_keysym_t> keysyms) -> std::uint16_t {
      for (const xcb_keysym_t keysym : keysyms) {
        const auto codes = keycodesFor(symbols, keysym);
        // Shift, Lock and Control (indices 0–2) are never the answer.
        for (int modifier = 3; modifier < 8; ++modifier) {
          for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = map[modifier * perModifier + i];
            if (code != 0 && std::find(codes.begin(), codes.end(), code) != codes.end()) {
              return static_cast<std::uint16_t>(1u << modifier);
            }
          }
        }
      }
      return 0;
    };
    masks.alt = holding({XK_Alt_L, XK_Meta_L, XK_Alt_R, XK_Meta_R});
    masks.super = holding({XK_Super_L, XK_Super_R});
    masks.numLock = holding({XK_Num_Lock});
  }
  // The usual places, for a keymap that does not say.
  if (masks.alt == 0) masks.alt = XCB_MOD_MASK_1;
  if (masks.super == 0) masks.super = XCB_MOD_MASK_4;
  return masks;
}

// Calls `body` with every combination of the bits in `mask`, the empty one included.
template <typename Body>
void forEachSubset(std::uint16_t mask, Body body) {
  for (std::uint16_t subset = mask;; subset = static_cast<std::uint16_t>((subset - 1) & mask)) {
    body(subset);
    if (subset == 0) break;
  }
}

}  // namespace

XcbHotKeys::XcbHotKeys(QObject* parent) : QObject(parent) {
  connection_ = x11Connection();
  if (connection_ != nullptr) {
    xcb_screen_t* screen = defaultScreen(connection_).second;
    root_ = screen != nullptr ? screen->root : XCB_NONE;
  }
  if (available()) QCoreApplication::instance()->installNativeEventFilter(this);
}

XcbHotKeys::~XcbHotKeys() {
  unregisterHotKey();
  if (available()) {
    if (auto* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }
}

bool XcbHotKeys::available() const {
  return connection_ != nullptr && root_ != XCB_NONE;
}

HotKeyStatus XcbHotKeys::registerHotKey(const HotKeyCombination& combination) {
  unregisterHotKey();
  if (!available() || xcb_connection_has_error(connection_) != 0) return HotKeyStatus::unavailable;
  const auto keysym = keysymFor(combination.letter);
  if (!keysym) return HotKeyStatus::taken;

  const KeySymbols symbols(xcb_key_symbols_alloc(connection_), &xcb_key_symbols_free);
  if (!symbols) return HotKeyStatus::taken;
  const auto keycodes = keycodesFor(symbols.get(), *keysym);
  if (keycodes.empty()) return HotKeyStatus::taken;
  const ModifierMasks masks = readModifierMasks(connection_, symbols.get());

  std::uint16_t modifiers = 0;
  if (combination.control) modifiers |= XCB_MOD_MASK_CONTROL;
  if (combination.alt) modifiers |= masks.alt;
  if (combination.super) modifiers |= masks.super;
  if (combination.shift) modifiers |= XCB_MOD_MASK_SHIFT;
  // A grab without a real modifier would take the letter away from every application.
  if ((modifiers & ~XCB_MOD_MASK_SHIFT) == 0) return HotKeyStatus::taken;

  keycodes_.assign(keycodes.begin(), keycodes.end());
  modifiers_ = modifiers;
  ignoredLocks_ = static_cast<std::uint16_t>((XCB_MOD_MASK_LOCK | masks.numLock) & ~modifiers);
  held_ = false;

  // Send every grab before checking any, so the checks cost one round trip.
  std::vector<xcb_void_cookie_t> cookies;
  for (const xcb_keycode_t keycode : keycodes_) {
    forEachSubset(ignoredLocks_, [&](std::uint16_t locks) {
      cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, modifiers_ | locks, keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    });
  }
  bool refused = false;
  for (const xcb_void_cookie_t cookie : cookies) {
    // BadAccess (10) means another client holds the combination; any other error leaves it
    // just as unusable.
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
      refused = true;
      std::free(error);
    }
  }
  if (refused) {
    // Ungrabbing also the variants that failed is harmless: X releases only our own grabs.
    unregisterHotKey();
    return HotKeyStatus::taken;
  }
  return HotKeyStatus::registered;
}

void XcbHotKeys::unregisterHotKey() {
  if (keycodes_.empty()) return;
  for (const xcb_keycode_t keycode : keycodes_) {
    forEachSubset(ignoredLocks_, [&](std::uint16_t locks) {
      xcb_ungrab_key(connection_, keycode, root_, modifiers_ | locks);
    });
  }
  xcb_flush(connection_);
  keycodes_.clear();
  modifiers_ = 0;
  ignoredLocks_ = 0;
  held_ = false;
}

void XcbHotKeys::setPressHandler(std::function<void()> handler) {
  handler_ = std::move(handler);
}

bool XcbHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (keycodes_.empty() || eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  const auto isOurs = [this](xcb_keycode_t keycode) {
    return std::find(keycodes_.begin(), keycodes_.end(), keycode) != keycodes_.end();
  };
  switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS: {
      const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
      if (key->event != root_ || !isOurs(key->detail)) return false;
      if ((key->state & kCoreModifiers & ~ignoredLocks_) != modifiers_) return false;
      // Auto-repeat comes as a release and a press with the same timestamp or, with detectable
      // auto-repeat, as presses without a release. A release that ever went missing costs one
      // press: that press activates the grab again, so its release reaches us.
      const bool repeat = held_ || key->time == lastReleaseTime_;
      held_ = true;
      if (!repeat && handler_) handler_();
      return true;
    }
    case XCB_KEY_RELEASE: {
      // Wherever it lands: a window of ours may have taken the keyboard since the press.
      const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event);
      if (isOurs(key->detail)) {
        held_ = false;
        lastReleaseTime_ = key->time;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace brindlecap
