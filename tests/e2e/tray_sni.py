#!/usr/bin/env python3
"""The icon as a StatusNotifierItem in a real host: Xvfb, xfwm4 and xfce4-panel with Debian's default
panel (its notification area hosts items), the application with BRINDLECAP_TRAY=sni. The item
shows in the panel, its dots light on the dark panel like the panel's own symbols; a click arms
the gesture, moving down and clicking again creates a timer as long as the travel says; a click
and a click gives the list, and so do a middle click and a host's ContextMenu.
Usage: tray_sni.py <brindlecap> <artefact folder>
"""
import subprocess
import sys
import time

from desktop import (App, XfceDesktop, check, drag_minutes, finish, name_timer, pixels,
                     seed_settings, wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
PANEL_HEIGHT = 26  # Debian's default top panel


def host_registered(desktop):
    out = subprocess.run(
        ["gdbus", "call", "--session", "--dest", "org.kde.StatusNotifierWatcher", "--object-path",
         "/StatusNotifierWatcher", "--method", "org.freedesktop.DBus.Properties.Get",
         "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"], env=desktop.env,
        capture_output=True, text=True)
    return "true" in out.stdout


def find_item(desktop):
    """Where the icon's accent dot (the default purple) is in the panel, or None."""
    shot = desktop.screenshot(ARTEFACTS, "sni-panel")
    hits = []
    for i, colour in enumerate(pixels(shot, 0, 0, 1440, PANEL_HEIGHT)):
        r, g, b = (int(colour[k:k + 2], 16) for k in (1, 3, 5))
        if r - g >= 30 and b - g >= 50:  # purple, even blended into the dark panel
            hits.append((i % 1440, i // 1440))
    if not hits:
        return None
    return (sum(x for x, _ in hits) // len(hits), sum(y for _, y in hits) // len(hits))


def ring_lighter_than_panel(desktop, item, name):
    """Whether the ring's dots around the accent dot at `item` are lighter than the panel (None
    while too few stand out from it)."""
    shot = desktop.screenshot(ARTEFACTS, name)
    x, y = item
    box = [tuple(int(c[k:k + 2], 16) for k in (1, 3, 5))
           for c in pixels(shot, x - 10, max(y - 18, 0), 21, 20)]
    panel = max(set(box), key=box.count)
    level = sum(panel)
    ink = [sum(c) > level for c in box if abs(sum(c) - level) >= 240]
    return None if len(ink) < 11 else ink.count(True) > len(ink) / 2


def main():
    with XfceDesktop() as desktop:
        if not check(wait_for(lambda: host_registered(desktop), 25),
                     "the panel's notification area hosts items"):
            return
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        desktop.env["BRINDLECAP_TRAY"] = "sni"
        app = App(BINARY, desktop, diagnostics="trace")
        item = wait_for(lambda: find_item(desktop), 15)
        if not check(item, "the item shows in the panel"):
            return
        x, y = item
        check(not desktop.icon(timeout=1), "no fallback panel hangs beside the item")
        check(wait_for(lambda: ring_lighter_than_panel(desktop, item, "sni-dark"), 5),
              "on the dark panel the dots are light")

        # A click, then a click on the item again: the list.
        desktop.xdotool("mousemove", x, y, "click", "1")
        app.line("BRINDLECAP_CLICK_AND_MOVE armed", timeout=5)
        desktop.xdotool("click", "1")
        check(desktop.window(size=(360, 280), timeout=5), "click, click: the list opens")
        desktop.xdotool("key", "Escape")
        time.sleep(0.3)

        # A click arms the gesture; down without a button, then a click sets the duration.
        desktop.xdotool("mousemove", x, y, "click", "1")
        check(app.line("BRINDLECAP_CLICK_AND_MOVE armed", 2, timeout=5), "the click arms it")
        for step in range(1, 61):
            desktop.xdotool("mousemove", x, y + step * 5)
            time.sleep(0.02)
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "sni-gesture-live")
        check(desktop.window(where=lambda wx, wy, w, h: w >= 224 and h == 58, timeout=3),
              "the gesture is live: the bubble shows")
        desktop.xdotool("click", "1")
        _, top, _, height = desktop.workarea()
        name_timer(desktop, "Tea", drag_minutes(y, y + 300, 1, (top, height)))

        # Xfce's area keeps the right button for its own menu; the middle one opens the list,
        # and a host that sends ContextMenu (KDE, waybar) gets the list as well.
        desktop.xdotool("mousemove", x, y, "click", "2")
        check(desktop.window(where=lambda wx, wy, w, h: w == 360, timeout=5),
              "a middle click opens the list")
        desktop.screenshot(ARTEFACTS, "sni-list")
        desktop.xdotool("key", "Escape")
        check(wait_for(lambda: not desktop.window(timeout=0.2, where=lambda *r: r[2] == 360), 3),
              "Escape closes the list")
        service = f"org.kde.StatusNotifierItem-{app.process.pid}-1"
        subprocess.run(["gdbus", "call", "--session", "--dest", service, "--object-path",
                        "/StatusNotifierItem", "--method", "org.kde.StatusNotifierItem.ContextMenu",
                        str(x), str(y)], env=desktop.env, capture_output=True)
        check(desktop.window(where=lambda wx, wy, w, h: w == 360, timeout=5),
              "ContextMenu opens the list")

main()
finish("tray_sni")
