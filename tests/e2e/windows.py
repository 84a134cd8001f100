#!/usr/bin/env python3
"""The onboarding and the settings window under Xvfb: a first launch pages through the onboarding to
"Начать", which records it; the list's gear opens the settings in the list's place, where the
launch-at-login switch writes the autostart entry. Screenshots are kept as artefacts.
Usage: windows.py <brindlecap> <artefact folder>
"""
import os
import sys
import time

from desktop import App, Desktop, check, finish, seed_settings, wait_for

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


def scenario_first_launch_onboarding():
    with Desktop(notifications=False) as desktop:
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


def scenario_settings_window():
    """The list's gear opens the settings where the list was; the launch-at-login switch there
    writes the autostart entry; the icon then fades the settings out and opens the list only
    afterwards, whose gear brings them back whole. (That a colour chosen there recolours the icon
    is the settings view's and the status bar's unit tests'.)"""
    with Desktop(notifications=False) as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = App(BINARY, desktop, diagnostics="e2e")
        icon = desktop.icon()
        if not check(icon, "the icon is on screen"):
            return
        centre = (icon[0] + icon[2] // 2, icon[1] + icon[3] // 2)
        time.sleep(0.5)
        desktop.xdotool("mousemove", *centre, "click", "1")
        listed = desktop.window(name="Brindlecap", where=lambda x, y, w, h: w == 360)
        if not check(listed, "a click opens the list"):
            return
        desktop.xdotool("mousemove", listed[0] + GEAR[0], listed[1] + GEAR[1], "click", "1")
        window = desktop.window(name=SETTINGS, size=(460, 590),
                                where=lambda x, y, w, h: y == listed[1])
        if not check(window, "the gear opens the settings in the list's place"):
            return
        check(desktop.window(name="Brindlecap", timeout=0.1, where=lambda x, y, w, h: w == 360)
              is None, "the list has closed")
        x, y, _, _ = window
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "settings-window")

        desktop.xdotool("mousemove", x + LOGIN_SWITCH[0], y + LOGIN_SWITCH[1], "click", "1")
        entry = os.path.join(app.home, ".config", "autostart", "org.brindlecap.Brindlecap.desktop")
        if check(wait_for(lambda: os.path.exists(entry), 5),
                 "the launch-at-login switch writes the autostart entry"):
            with open(entry, encoding="utf-8") as f:
                execs = [l for l in f.read().splitlines() if l.startswith("Exec=")]
            # The session starts whatever the entry names, outside any shell's PATH or working
            # folder: it must be this binary by its absolute path.
            check(len(execs) == 1 and os.path.realpath(BINARY) in execs[0],
                  f"the autostart entry starts this binary: {execs}")

        desktop.xdotool("mousemove", *centre, "click", "1")
        check(app.line("BRINDLECAP_WINDOW_DISMISSED " + SETTINGS), "the icon fades the settings")
        listed = desktop.window(name="Brindlecap", where=lambda x, y, w, h: w == 360)
        if not check(listed, "and then opens the list"):
            return
        desktop.xdotool("mousemove", listed[0] + GEAR[0], listed[1] + GEAR[1], "click", "1")
        check(desktop.window(name=SETTINGS, size=(460, 590)),
              "faded out and shown again, the settings are whole, not at the fade's shrunk size")


# Control positions inside the settings window (points from its top-left corner).
LOGIN_SWITCH = (415, 351)
GEAR = (322, 22)  # the list header's settings glyph

if __name__ == "__main__":
    for scenario in (scenario_first_launch_onboarding, scenario_settings_window):
        print("--", scenario.__name__, flush=True)
        scenario()
    finish("windows")
