#!/usr/bin/env python3
"""A timer that runs out while the application is not running, under Xvfb with dunst: quit before
it is due, start again after → one notification saying when it ran out, and the banner; closing
the notification closes the banner; a third start announces nothing.
Usage: missed.py <brindlecap> <artefact folder>
"""
import json
import sys
import time

from desktop import (REFERENCE, App, Desktop, check, finish, seed_settings, seed_timers, timer,
                     wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
BANNER = (330, 136)
MISSED = "BRINDLECAP_TIMER_MISSED "


def launch(desktop):
    app = App(BINARY, desktop, diagnostics="e2e")  # diagnostic lines without a scripted mode
    # The hot key is registered after the reminders are wired and the missed firings announced.
    check(app.line("BRINDLECAP_GLOBAL_SHORTCUT "), "the application has started")
    return app


with Desktop() as desktop:
    seed_settings(desktop.home, hasCompletedOnboarding="true")
    item = timer("Чай", 5, age=60)  # five seconds leave room for a slow first launch
    seed_timers(desktop.home, [item])
    fire = item["fireDate"] + REFERENCE
    check(launch(desktop).stop() == 0, "the first run ends cleanly")
    if check(time.time() < fire, "the first run ended before the timer was due"):
        time.sleep(fire - time.time() + 1)

        app = launch(desktop)
        check(wait_for(lambda: desktop.dunstctl("count", "displayed") == "1"),
              "its notification is on screen")
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED Чай"), "the banner announces it")
        check(desktop.window(size=BANNER), "the banner is on screen")
        desktop.screenshot(ARTEFACTS, "missed-banner")
        lines = [l.split() for l in app.lines if l.startswith(MISSED)]
        check([l[1:2] for l in lines] == [[item["id"]]] and abs(float(lines[0][-1]) - fire) < 1e-3,
              f"one line names the timer and its Unix fire date: {lines}")

        # Closing the notification acknowledges the firing in both reminders.
        desktop.dunstctl("close-all")
        day = "в" if fire // 86400 == time.time() // 86400 else "вчера в"
        due = f"Время вышло {day} " + time.strftime("%H:%M", time.gmtime(fire))
        history = lambda: json.loads(desktop.dunstctl("history") or '{"data": [[]]}')["data"][0]
        bodies = [n["body"]["data"] for n in wait_for(history, timeout=5) or []]
        check(bodies == [due], f"the notification says when: {bodies}")
        check(wait_for(lambda: desktop.window(size=BANNER, timeout=0.1) is None, 5),
              "the banner closes with the notification")
        check(app.stop() == 0, "the second run ends cleanly")

        app = launch(desktop)
        time.sleep(1.5)  # a notification would be posted a second after the launch
        check(not any(l.startswith(MISSED) for l in app.lines), "a third start reports nothing")
        check(desktop.dunstctl("count", "displayed") == "0"
              and desktop.dunstctl("count", "history") == "1", "nor posts a notification")
        check(desktop.window(size=BANNER, timeout=0.1) is None, "nor shows the banner")
finish("missed")
