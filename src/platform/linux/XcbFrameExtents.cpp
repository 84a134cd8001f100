#include "platform/linux/XcbFrameExtents.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/linux/XcbConnection.h"

namespace brindlecap {

namespace {

// A window manager answers within a few milliseconds; one that never does costs this once per
// window, at its first showing.
constexpr int kPolls = 25;
constexpr std::chrono::milliseconds kPollInterval{4};

std::optional<QMargins> readExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom) {
  auto* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, atom, XCB_ATOM_CARDINAL, 0, 4), nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<QMargins> extents;
  if (reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
    // Listed left, right, top, bottom.
    extents = QMargins(static_cast<int>(values[0]), static_cast<int>(values[2]),
                       static_cast<int>(values[1]), static_cast<int>(values[3]));
  }
  std::free(reply);
  return extents;
}

bool supportedByWindowManager(xcb_connection_t* c, xcb_window_t root, xcb_atom_t hint) {
  const xcb_atom_t supported = internAtom(c, "_NET_SUPPORTED", true);
  if (supported == XCB_ATOM_NONE) return false;
  auto* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
  if (reply == nullptr) return false;
  bool found = false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
  const int count = xcb_get_property_value_length(reply) / static_cast<int>(sizeof(xcb_atom_t));
  for (int i = 0; i < count && !found; ++i) found = atoms[i] == hint;
  std::free(reply);
  return found;
}

}  // namespace

std::optional<QMargins> frameExtents(xcb_window_t window) {
  xcb_connection_t* c = x11Connection();
  if (c == nullptr || window == XCB_NONE) return std::nullopt;
  const xcb_atom_t extentsAtom = internAtom(c, "_NET_FRAME_EXTENTS");
  if (auto known = readExtents(c, window, extentsAtom)) return known;

  xcb_screen_t* screen = defaultScreen(c).second;
  const xcb_atom_t request = internAtom(c, "_NET_REQUEST_FRAME_EXTENTS", true);
  if (screen == nullptr || request == XCB_ATOM_NONE ||
      !supportedByWindowManager(c, screen->root, request))
    return std::nullopt;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = request;
  xcb_send_event(c, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(c);
  // Qt's own thread reads the connection's events, so the answer is looked for, not waited on.
  for (int poll = 0; poll < kPolls; ++poll) {
    std::this_thread::sleep_for(kPollInterval);
    if (auto answered = readExtents(c, window, extentsAtom)) return answered;
  }
  return std::nullopt;
}

}  // namespace brindlecap
