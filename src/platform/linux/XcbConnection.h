#pragma once

#include <xcb/xcb.h>

#include <string>
#include <utility>

namespace brindlecap {

// Qt's own X11 connection; nothing on other platforms (offscreen, Wayland without XWayland).
xcb_connection_t* x11Connection();

// The screen Qt connected to (its number and data), as xcb_connect chose it from DISPLAY.
std::pair<int, xcb_screen_t*> defaultScreen(xcb_connection_t* c);

// The atom named `name`; XCB_ATOM_NONE on failure, or when `onlyIfExists` and it does not.
xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name, bool onlyIfExists = false);

// The window owning `selection`; XCB_NONE when nobody does.
xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t selection);

// True when a compositing manager owns _NET_WM_CM_S<n> for Qt's screen; false without X11.
// Without one, translucent windows come out with black where they should be clear.
bool hasCompositor();

}  // namespace brindlecap
