#include "platform/linux/XcbConnection.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <cstdlib>

namespace brindlecap {

xcb_connection_t* x11Connection() {
  auto* app = qGuiApp;
  if (app == nullptr) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

std::pair<int, xcb_screen_t*> defaultScreen(xcb_connection_t* c) {
  int number = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &number) != 0) std::free(host);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  if (number < 0 || number >= it.rem) number = 0;
  for (int i = 0; i < number; ++i) xcb_screen_next(&it);
  return {number, it.rem > 0 ? it.data : nullptr};
}

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name, bool onlyIfExists) {
  auto cookie =
      xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(name.size()), name.c_str());
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection) {
  if (selection == XCB_ATOM_NONE) return XCB_NONE;
  auto* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
  if (reply == nullptr) return XCB_NONE;
  const xcb_window_t owner = reply->owner;
  std::free(reply);
  return owner;
}

bool hasCompositor() {
  xcb_connection_t* c = x11Connection();
  if (c == nullptr) return false;
  const int number = defaultScreen(c).first;
  // Only if it exists: a selection nobody ever named has no owner either.
  const xcb_atom_t selection = internAtom(c, "_NET_WM_CM_S" + std::to_string(number), true);
  return selectionOwner(c, selection) != XCB_NONE;
}

}  // namespace brindlecap
