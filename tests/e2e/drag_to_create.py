#!/usr/bin/env python3
"""Creates a timer the way a person does, under Xvfb with xdotool, with and without an XEmbed tray
(trayer) and a compositor (picom): press the icon, drag down, release, name it. The timer lasts
as long as the travel says; a click and an escaped drag create nothing; the icon counts down.
Usage: drag_to_create.py <brindlecap> <artefact folder> [tray|panel] [composited|plain]
"""
import os
import sys
import time

from desktop import (App, Desktop, check, drag_minutes, finish, name_timer, pixels, read_timers,
                     seed_settings, wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
HOST = sys.argv[3] if len(sys.argv) > 3 else "panel"
COMPOSITOR = sys.argv[4] if len(sys.argv) > 4 else "plain"
NAME = f"{HOST}-{COMPOSITOR}"


def drag(desktop, cx, cy, steps):
    desktop.xdotool("mousemove", cx, cy)
    desktop.xdotool("mousedown", "1")
    for step in range(1, steps + 1):
        desktop.xdotool("mousemove", cx, cy + step * 5)
        time.sleep(0.02)


def main():
    with Desktop(bus=False, tray=HOST == "tray", compositor=COMPOSITOR == "composited") as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")  # no welcome over the gesture
        time.sleep(1.0)  # the tray and the compositor take their selections first
        App(BINARY, desktop)
        icon = desktop.icon(docked=HOST == "tray")
        if not check(icon, "the icon appears" + (" docked in the tray" if HOST == "tray" else "")):
            return
        x, y, w, h = icon
        cx, cy = x + w // 2, y + h // 2
        shot = lambda name: desktop.screenshot(ARTEFACTS, f"drag-{NAME}-{name}")
        time.sleep(0.8)
        idle = shot("1-idle")

        # A plain click (the list opens; a click elsewhere closes it), then an escaped drag.
        desktop.xdotool("mousemove", cx, cy, "click", "1")
        time.sleep(0.5)
        desktop.xdotool("mousemove", 700, 600, "click", "1")
        time.sleep(0.3)
        drag(desktop, cx, cy, 20)
        time.sleep(0.2)
        desktop.xdotool("key", "Escape")
        desktop.xdotool("mouseup", "1")
        time.sleep(0.5)
        check(read_timers(desktop.home) == [], "a click and an escaped drag create nothing")

        # The real thing: about 300 pixels down in small steps, slowing at the end for the fine step.
        drag(desktop, cx, cy, 60)
        time.sleep(0.5)
        shot("2-dragging")
        desktop.xdotool("mouseup", "1")
        name_timer(desktop, "Tea", drag_minutes(cy, cy + 300), shot=lambda: shot("3-naming"))
        changed = wait_for(lambda: pixels(idle, *icon) != pixels(shot("4-counting"), *icon), 5)
        check(changed, "the icon shows the countdown")


main()
finish(NAME)
