#!/usr/bin/env python3
"""A timer that runs out while the application is not running, under Xvfb with dunst: quit before
it is due, start again after → one notification saying when it ran out, and the banner; a third
start announces nothing.
Usage: missed.py <brindlecap> <artefact folder>
"""
import json
import sys
import time

from desktop import (REFERENCE, App, Desktop, check, finish, read_timers, seed_settings,
                     seed_timers, timer, wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
BANNER = (330, 136)
QUIET = "e2e"  # diagnostic lines without a scripted mode
LEAD = 5  # seconds between the start and the fire date: room for a slow first launch


def history_bodies(desktop):
    """The bodies of the notifications dunst has closed, newest first."""
    history = json.loads(desktop.dunstctl("history") or '{"data": [[]]}')
    return [entry["body"]["data"] for entry in history["data"][0]]


def started(app):
    """Waits until the launch has wired everything (the hot key comes after the reminders)."""
    return check(app.line("BRINDLECAP_GLOBAL_SHORTCUT "), "the application has started")


def main():
    with Desktop() as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        item = timer("Чай", LEAD, age=60)
        seed_timers(desktop.home, [item])
        unix_fire = item["fireDate"] + REFERENCE

        app = App(BINARY, desktop, diagnostics=QUIET)
        started(app)
        check(app.stop() == 0, "the first run ends cleanly")
        if not check(time.time() < unix_fire, "the first run ended before the timer was due"):
            return
        time.sleep(unix_fire - time.time() + 1)

        app = App(BINARY, desktop, diagnostics=QUIET)
        started(app)
        missed = app.line("BRINDLECAP_TIMER_MISSED ", timeout=5)
        fields = (missed or "").split()[1:]
        check(len(fields) == 2 and fields[0] == item["id"]
              and abs(float(fields[1]) - unix_fire) < 1e-3,
              f"the missed firing is reported with its id and Unix fire date: {missed}")
        check(wait_for(lambda: desktop.dunstctl("count", "displayed") == "1", timeout=10),
              "its notification is on screen")
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED Чай"), "the banner announces it")
        check(desktop.window(size=BANNER), "the banner is on screen")
        desktop.screenshot(ARTEFACTS, "missed-banner")
        check(len([l for l in app.lines if l.startswith("BRINDLECAP_TIMER_MISSED")]) == 1,
              "announced once")

        # Closing the notification acknowledges the firing in both reminders.
        desktop.dunstctl("close-all")
        day = "в" if int(unix_fire // 86400) == int(time.time() // 86400) else "вчера в"
        due = f"Время вышло {day} " + time.strftime("%H:%M", time.gmtime(unix_fire))
        bodies = wait_for(lambda: history_bodies(desktop), timeout=5) or []
        check(bodies == [due], f"the notification says when: {bodies}")
        check(wait_for(lambda: desktop.window(size=BANNER, timeout=0.1) is None, 5),
              "the banner closes with the notification")
        check(app.stop() == 0, "the second run ends cleanly")
        check([t["id"] for t in read_timers(desktop.home) or []] == [item["id"]],
              "the finished timer stays in the file")

        app = App(BINARY, desktop, diagnostics=QUIET)
        started(app)
        time.sleep(1.5)  # a notification would be posted a second after the launch
        check(not any(l.startswith("BRINDLECAP_TIMER_MISSED") for l in app.lines),
              "a third start reports nothing")
        check(desktop.dunstctl("count", "displayed") == "0"
              and desktop.dunstctl("count", "history") == "1", "and posts no notification")
        check(desktop.window(size=BANNER, timeout=0.1) is None, "and shows no banner")


if __name__ == "__main__":
    main()
    finish("missed")
