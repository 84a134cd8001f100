#!/usr/bin/env python3
"""The settings window and the first-run onboarding on a real X server (Xvfb 1440 x 900).

A first launch with a fresh home opens the onboarding; paging through it and pressing "Начать"
records that it is done, and the next launch opens nothing. BRINDLECAP_DIAGNOSTICS=settings opens
the settings window at 460 x 590; another colour there recolours the icon; the launch-at-login
switch writes the autostart entry. Screenshots of every page are kept as artefacts.
Usage: windows.py <brindlecap> <artefact folder>
"""
import os
import subprocess
import sys
import time

from desktop import App, Desktop, check, failures, seed_settings, wait_for

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
ONBOARDING = "Добро пожаловать в Brindlecap"
SETTINGS = "Настройки Brindlecap"


def settings_file(home):
    path = os.path.join(home, ".config", "Brindlecap", "settings.ini")
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError:
        return ""


def icon_colours(desktop, icon):
    """The distinct colours inside the icon's square, as ImageMagick names them."""
    x, y, w, h = icon
    shot = desktop.screenshot(ARTEFACTS, "windows-icon-probe")
    text = subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-unique-colors",
                           "txt:-"], capture_output=True, text=True).stdout
    os.remove(shot)
    return {line.split()[2] for line in text.splitlines()[1:] if len(line.split()) > 2}


def scenario_first_launch_onboarding():
    desktop = Desktop(notifications=False)
    try:
        app = App(BINARY, desktop)
        window = desktop.window(name=ONBOARDING, size=(470, 330), timeout=10)
        if not check(window, "a first launch opens the onboarding"):
            return
        x, y, w, h = window
        primary = (x + w - 60, y + h - 27)
        for page in (1, 2, 3):
            time.sleep(0.4)
            desktop.screenshot(ARTEFACTS, f"onboarding-page-{page}")
            desktop.xdotool("mousemove", *primary, "click", "1")
        check(wait_for(lambda: desktop.window(name=ONBOARDING, timeout=0.1) is None, 5),
              "\"Начать\" closes the onboarding")
        check(wait_for(lambda: "settings.hasCompletedOnboarding=true" in settings_file(app.home), 5),
              "finishing records it in the settings")
        check(app.stop() == 0, "the application ends cleanly")

        again = App(BINARY, desktop)
        time.sleep(2.0)
        check(desktop.window(name=ONBOARDING, timeout=0.1) is None,
              "after finishing, a launch opens nothing")
        check(again.stop() == 0, "the application ends cleanly")
    finally:
        desktop.close()


def scenario_settings_window():
    desktop = Desktop(notifications=False)
    try:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = App(BINARY, desktop, diagnostics="settings")
        line = app.line("BRINDLECAP_WINDOW " + SETTINGS)
        check(line and line.endswith("{460, 590}}"), f"the settings window is 460 x 590: {line}")
        window = desktop.window(name=SETTINGS, size=(460, 590))
        icon = next(((x, y, w, h) for _, name, w, h, x, y in desktop.windows()
                     if 16 <= w <= 32 and 16 <= h <= 32), None)
        if not check(window and icon, "the settings window and the icon are on screen"):
            return
        x, y, _, _ = window
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "settings-window")
        before = icon_colours(desktop, icon)

        # The green swatch (the fourth of seven).
        desktop.xdotool("mousemove", x + SWATCH_X[3], y + SWATCH_Y, "click", "1")
        check(wait_for(lambda: "settings.threadColor=green" in settings_file(app.home), 5),
              "a swatch stores the colour")
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "settings-window-green")
        after = icon_colours(desktop, icon)
        check(before != after, "the icon is drawn in the new colour")

        desktop.xdotool("mousemove", x + LOGIN_SWITCH[0], y + LOGIN_SWITCH[1], "click", "1")
        entry = os.path.join(app.home, ".config", "autostart", "org.brindlecap.Brindlecap.desktop")
        check(wait_for(lambda: os.path.exists(entry), 5),
              "the launch-at-login switch writes the autostart entry")
        check(app.stop() == 0, "the application ends cleanly")
    finally:
        desktop.close()


# Control positions inside the settings window (points from its top-left corner).
SWATCH_X = [202, 239, 276, 313, 350, 387, 424]
SWATCH_Y = 256
LOGIN_SWITCH = (415, 351)

if __name__ == "__main__":
    for scenario in (scenario_first_launch_onboarding, scenario_settings_window):
        print("--", scenario.__name__, flush=True)
        scenario()
    print("FAILED" if failures else "OK", flush=True)
    sys.exit(1 if failures else 0)
