#pragma once

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <utility>

namespace brindlecap {

// Qt's own X11 connection; nothing on other platforms (offscreen, Wayland without XWayland).
inline xcb_connection_t* x11Connection() {
  auto* app = qGuiApp;
  if (app == nullptr) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// The screen Qt connected to (its number and data), as xcb_connect chose it from DISPLAY.
inline std::pair<int, xcb_screen_t*> defaultScreen(xcb_connection_t* c) {
  int number = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &number) != 0) std::free(host);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  if (number < 0 || number >= it.rem) number = 0;
  for (int i = 0; i < number; ++i) xcb_screen_next(&it);
  return {number, it.rem > 0 ? it.data : nullptr};
}

}  // namespace brindlecap
