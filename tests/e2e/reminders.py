#!/usr/bin/env python3
"""The reminders under Xvfb with a session bus and dunst: a timer due in three seconds brings a
notification and the banner, and the notification's quick snooze moves it by fifteen minutes and
closes the banner; the completion_banner and notification_icon modes; Ctrl+Alt+Super+M opens the
list and a combination another client holds is reported; without a notification server the
banner still works and notifications read as denied.
Usage: reminders.py <brindlecap> <artefact folder>
"""
import os
import sys
import time

from desktop import (App, Desktop, check, finish, read_timers, seed_settings, seed_timers, timer,
                     wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
BANNER = (330, 136)
QUIET = "e2e"  # diagnostic lines without a scripted mode (mode "1" would open the list)


def seed_timer(home, title, seconds):
    item = timer(title, seconds, age=0)
    seed_timers(home, [item])
    return item


def list_panel(desktop, timeout):
    """The list's window (360 points wide; the icon shares its name)."""
    return desktop.window(name="Brindlecap", timeout=timeout, where=lambda x, y, w, h: w == 360)


def scenario_quick_snooze_from_the_notification():
    with Desktop() as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        item = seed_timer(desktop.home, "Чай", 3)
        app = App(BINARY, desktop, diagnostics=QUIET)
        check(app.line("BRINDLECAP_NOTIFICATION_SCHEDULED " + item["id"]),
              "the timer's notification is scheduled at launch")
        check(wait_for(lambda: desktop.dunstctl("count", "displayed") == "1", timeout=15),
              "the notification is on screen when the timer runs out")
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED Чай"), "the banner announces the timer")
        check(desktop.window(size=BANNER), "the banner is on screen")
        desktop.screenshot(ARTEFACTS, "reminders-notification-and-banner")

        check(desktop.dunstctl("context") is not None, "dunst offers the notification's actions")
        moved = wait_for(lambda: next((t for t in read_timers(app.home) or []
                                       if t["fireDate"] > item["fireDate"] + 60), None), 10)
        if check(moved, "the quick snooze moves the timer in the file"):
            check(895 <= moved["fireDate"] - item["fireDate"] <= 910,
                  f"by the quick interval (15 minutes) from the response: "
                  f"{moved['fireDate'] - item['fireDate']}")
        check(wait_for(lambda: desktop.window(size=BANNER, timeout=0.1) is None, 5),
              "the banner of that completion closes")


def scenario_diagnostic_modes_and_the_hot_key():
    with Desktop() as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = App(BINARY, desktop, diagnostics="completion_banner")
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED Проверка Brindlecap"),
              "completion_banner enqueues the sample completion")
        check(desktop.window(size=BANNER), "the banner window is mapped")
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "reminders-completion-banner")
        check(app.stop() == 0, "the application ends cleanly")

        app = App(BINARY, desktop, diagnostics="notification_icon")
        # Scheduled, the 1.5 s report, and the report one second after the fire date.
        last = app.line("BRINDLECAP_NOTIFICATION_DELIVERED ", occurrence=3)
        check(last == "BRINDLECAP_NOTIFICATION_DELIVERED 1",
              f"notification_icon ends with one delivered notification: {last}")
        check(app.stop() == 0, "the application ends cleanly")

        first = App(BINARY, desktop, diagnostics=QUIET)
        check(first.line("BRINDLECAP_GLOBAL_SHORTCUT 46-6400 registered"), "the hot key is grabbed")
        time.sleep(0.5)
        check(list_panel(desktop, timeout=0.1) is None, "no list before the hot key")
        desktop.xdotool("key", "ctrl+alt+super+m")
        check(list_panel(desktop, timeout=5), "the hot key opens the list panel")
        desktop.screenshot(ARTEFACTS, "reminders-hot-key-list")
        desktop.xdotool("key", "Escape")

        # Another client (a second user's instance) already holds the combination.
        home = os.path.join(desktop.root, "other-home")
        runtime = os.path.join(desktop.root, "other-runtime")
        os.makedirs(runtime, mode=0o700)
        seed_settings(home, hasCompletedOnboarding="true")
        # Without the bus, so it is not taken for a second launch of the first.
        second = App(BINARY, desktop, diagnostics="settings", home=home, runtime=runtime,
                     bus=False)
        check(second.line("BRINDLECAP_GLOBAL_SHORTCUT 46-6400 refused"),
              "a combination held by another client is refused")
        check(second.line("BRINDLECAP_WINDOW Настройки Brindlecap"), "its settings window opens")
        time.sleep(0.8)
        desktop.screenshot(ARTEFACTS, "reminders-hot-key-taken")


def scenario_without_a_notification_server():
    with Desktop(notifications=False) as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        seed_timer(desktop.home, "Без сервера", 2)
        app = App(BINARY, desktop, diagnostics=QUIET)
        check(app.line("BRINDLECAP_NOTIFICATION_AUTH ") == "BRINDLECAP_NOTIFICATION_AUTH 1",
              "without a notification server notifications read as denied")
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED Без сервера"), "the banner still announces")
        check(desktop.window(size=BANNER), "the banner is on screen")
        check(app.process.poll() is None, "the application keeps running")


if __name__ == "__main__":
    for scenario in (scenario_quick_snooze_from_the_notification,
                     scenario_diagnostic_modes_and_the_hot_key,
                     scenario_without_a_notification_server):
        print("--", scenario.__name__, flush=True)
        scenario()
    finish("reminders")
