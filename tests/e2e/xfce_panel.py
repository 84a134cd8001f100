#!/usr/bin/env python3
"""On Debian's own Xfce (xfwm4, the default xfce4-panel, xfce4-notifyd): the icon docks in the
panel's notification area and its dots stand out from the dark panel; the notification's snooze
button moves a timer by the quick interval; the dots stand out from the panel turned light too,
and a drag creates a timer. Then at QT_SCALE_FACTOR=2 in the same 22-pixel slot: all twelve dots
show, and a drag creates a timer as long as the travel says.
Usage: xfce_panel.py <brindlecap> <artefact folder>
"""
import subprocess
import sys
import time

from desktop import (App, XfceDesktop, check, drag_minutes, finish, name_timer, read_timers,
                     seed_settings, wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
QUICK_SNOOZE = 15 * 60  # the default interval


def contrast(a, b):
    def luminance(c):
        lin = [v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
        return 0.2126 * lin[0] + 0.7152 * lin[1] + 0.0722 * lin[2]
    hi, lo = sorted((luminance(a), luminance(b)), reverse=True)
    return (hi + 0.05) / (lo + 0.05)


def dots(path, icon, threshold=3):
    """The panel's colour around the icon and, for each blob of icon pixels on the ring (away from
    the countdown in the middle) standing out from it by `threshold` or more, its best contrast."""
    x, y, w, h = icon
    raw = subprocess.run(["convert", path, "-crop", f"{w + 2}x{h + 2}+{x - 1}+{y - 1}", "+repage",
                          "-depth", "8", "rgb:-"], capture_output=True).stdout
    at = {(r, k): tuple(v / 255 for v in raw[(r * (w + 2) + k) * 3:][:3])
          for r in range(h + 2) for k in range(w + 2)}
    frame = [c for (r, k), c in at.items() if r in (0, h + 1) or k in (0, w + 1)]
    panel = max(set(frame), key=frame.count)
    strong = {(r, k): contrast(c, panel) for (r, k), c in at.items()
              if 0 < r <= h and 0 < k <= w and contrast(c, panel) >= threshold}
    blobs = []
    while strong:
        members, todo = [], [next(iter(strong))]
        while todo:
            r, k = todo.pop()
            if (r, k) in strong:
                members.append(((r, k), strong.pop((r, k))))
                todo += [(r + 1, k), (r - 1, k), (r, k + 1), (r, k - 1)]
        cr = sum(p[0] for p, _ in members) / len(members) - (h + 1) / 2
        ck = sum(p[1] for p, _ in members) / len(members) - (w + 1) / 2
        if (cr * cr + ck * ck) ** 0.5 > min(w, h) / 4:
            blobs.append(round(max(c for _, c in members), 1))
    return tuple(round(v * 255) for v in panel), blobs


def legible(desktop, name, timeout=5.0):
    """Waits until at least the eleven label dots stand out; the icon, the panel's colour and the
    dots' contrasts."""
    found = {}

    def measure():
        # The panel moves its icons as its other plugins settle.
        found["icon"] = desktop.icon(docked=True, timeout=1)
        path = desktop.screenshot(ARTEFACTS, name)
        found["panel"], found["blobs"] = dots(path, found["icon"]) if found["icon"] else (0, [])
        return len(found["blobs"]) >= 11
    wait_for(measure, timeout)
    print(f"{name}: panel {found['panel']}, dot contrasts {found['blobs']}", flush=True)
    return found["icon"], found["panel"], found["blobs"]


def create_by_drag(desktop, icon, scale, title):
    """Drags 300 pixels down from the icon and names the timer."""
    x, y, w, h = icon
    cx, cy = x + w // 2, y + h // 2
    desktop.xdotool("mousemove", cx, cy, "mousedown", "1")
    for travelled in range(10, 301, 10):
        desktop.xdotool("mousemove", cx, cy + travelled)
        time.sleep(0.02)
    time.sleep(0.4)
    desktop.xdotool("mouseup", "1")
    _, top, _, height = desktop.workarea()
    name_timer(desktop, title, drag_minutes(cy, cy + 300, scale, (top, height)), scale)


def notification(desktop):
    """The notification's window (x, y, w, h), once xfce4-notifyd shows one."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "xfce4-notifyd",
                          "getwindowgeometry", "--shell", "%@"], env=desktop.env,
                         capture_output=True, text=True).stdout
    shown = [dict(kv.split("=") for kv in w.split()[1:]) for w in out.split("WINDOW=")[1:]]
    return next(((int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"]))
                 for g in shown if int(g["WIDTH"]) > 100), None)


def snooze_from_notification(desktop, item):
    window = wait_for(lambda: notification(desktop), 30)
    if not check(window, "xfce4-notifyd shows the notification"):
        return
    desktop.screenshot(ARTEFACTS, "h6-xfce-notification")
    x, y, w, h = window
    # The action button sits at the notification's bottom right.
    desktop.xdotool("mousemove", x + w - 90, y + h - 30, "click", "1")
    moved = wait_for(lambda: next((t for t in read_timers(desktop.home) or []
                                   if t["id"] == item["id"] and t["fireDate"] > item["fireDate"]),
                                  None), 10)
    if check(moved, "the snooze button moves the timer"):
        check(abs(moved["fireDate"] - item["fireDate"] - QUICK_SNOOZE) <= 10,
              f"by the quick interval: {moved['fireDate'] - item['fireDate']:.0f} s")


def main():
    with XfceDesktop() as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = App(BINARY, desktop)
        if not check(desktop.icon(docked=True, timeout=30),
                     "the icon docks in the panel's notification area"):
            return
        icon, panel, blobs = legible(desktop, "h6-xfce-dark")
        check(len(blobs) >= 11 and sum(panel) < 3 * 128,
              f"on the dark panel {panel} the dots stand out by 3:1 or more: {blobs}")
        # Due once the icon is in place, so its notification is on screen while it is looked for.
        subprocess.run([BINARY, "add", "4s", "Чай"], env=app.env, capture_output=True, timeout=30)
        item = next((t for t in read_timers(desktop.home) or [] if t["title"] == "Чай"), None)
        if check(item, "a timer added from the command line"):
            snooze_from_notification(desktop, item)
        desktop.panel("background-style", "uint", 1)
        desktop.panel("background-rgba", "double", 0.93, "double", 0.93, "double", 0.93,
                      "double", 1.0)
        icon, panel, blobs = legible(desktop, "h6-xfce-light")
        check(len(blobs) >= 11 and sum(panel) > 3 * 200,
              f"on the panel turned light {panel} they still do: {blobs}")
        create_by_drag(desktop, icon, 1, "Tea")
        check(app.stop() == 0, "the application ends cleanly")

        desktop.panel("background-style", "uint", 0)  # dark again
        desktop.env["QT_SCALE_FACTOR"] = "2"
        App(BINARY, desktop)
        if not check(desktop.icon(docked=True, timeout=20), "at 2x the icon docks too"):
            return
        icon, panel, _ = legible(desktop, "h6-xfce-2x")
        _, blobs = dots(f"{ARTEFACTS}/h6-xfce-2x.png", icon, threshold=1.5)  # the accent too
        check(len(blobs) == 12, f"at 2x in a {icon[2]}x{icon[3]} slot all twelve dots show: "
                                f"{len(blobs)} on {panel}")
        create_by_drag(desktop, icon, 2, "Tea2x")


main()
finish("xfce_panel")
