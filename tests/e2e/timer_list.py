#!/usr/bin/env python3
"""The timer list under Xvfb with xdotool: a click on the icon lists the timers file; "+5" on a row
moves its fire date by 300 s; delete removes it; the composer (2, "час", a title, Return) adds a
two-hour timer. BRINDLECAP_DIAGNOSTICS=timer_list shows samples and leaves the file alone.
Usage: timer_list.py <brindlecap> <artefact folder>
"""
import sys
import time

from desktop import (App, Desktop, check, finish, read_timers, seed_settings, seed_timers, timer,
                     wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]


def launch(desktop, seed, diagnostics=None):
    seed_settings(desktop.home, hasCompletedOnboarding="true")  # no welcome over the list
    seed_timers(desktop.home, seed)
    return App(BINARY, desktop, diagnostics=diagnostics)


def open_list(desktop, size):
    icon = desktop.icon()
    if not check(icon, "the icon appears"):
        return None
    time.sleep(0.5)
    desktop.xdotool("mousemove", icon[0] + icon[2] // 2, icon[1] + icon[3] // 2, "click", "1")
    return desktop.window(name="Brindlecap", size=size)


def scenario_list_actions_and_composer():
    seed = [timer("Чай", 1800), timer("Созвон с командой", 7200), timer("Посылка", 90000)]
    with Desktop(bus=False) as desktop:
        launch(desktop, seed)
        origin = open_list(desktop, (360, 270))
        if not check(origin, "a click opens the list sized for three timers"):
            return
        x, y, _, _ = origin
        click = lambda dx, dy: desktop.xdotool("mousemove", x + dx, y + dy, "click", "1")
        titles = lambda: [t["title"] for t in read_timers(desktop.home) or []]
        desktop.xdotool("mousemove", x + 180, y + 110)
        time.sleep(0.5)
        desktop.screenshot(ARTEFACTS, "list-three-timers")

        # "+5" on the first row, visible while the pointer is over the row.
        desktop.xdotool("mousemove", x + 315, y + 138)
        time.sleep(0.4)
        click(315, 138)
        moved = wait_for(lambda: (read_timers(desktop.home) or [{}])[0].get("fireDate", 0)
                         > seed[0]["fireDate"] + 1)
        after = read_timers(desktop.home) or []
        check(moved and abs(after[0]["fireDate"] - seed[0]["fireDate"] - 300) < 0.01,
              f"+5 moves the fire date by 300 s: {after[:1]}")

        # Delete the same row.
        desktop.xdotool("mousemove", x + 339, y + 138)
        time.sleep(0.4)
        click(339, 138)
        check(wait_for(lambda: titles() == ["Созвон с командой", "Посылка"]),
              f"delete removes the timer from the file: {titles()}")
        check(desktop.window(name="Brindlecap", size=(360, 210)), "the list shrinks to two rows")
        desktop.screenshot(ARTEFACTS, "list-two-timers")

        # The composer: 2, "час", a title, Return.
        click(335, 77)
        composer = desktop.window(name="Новый таймер", size=(300, 198))
        if not check(composer, "plus opens the composer"):
            return
        cx, cy, _, _ = composer
        time.sleep(0.4)
        desktop.xdotool("mousemove", cx + 36, cy + 82, "click", "--repeat", "3", "1")
        desktop.xdotool("key", "ctrl+a")
        desktop.xdotool("type", "2")
        desktop.xdotool("mousemove", cx + 153, cy + 82, "click", "1")
        desktop.xdotool("mousemove", cx + 150, cy + 123, "click", "1")
        desktop.xdotool("type", "--delay", "30", "Report")
        time.sleep(0.3)
        desktop.screenshot(ARTEFACTS, "list-composer")
        desktop.xdotool("key", "Return")
        created = wait_for(lambda: next((t for t in read_timers(desktop.home) or []
                                         if t["title"] == "Report"), None))
        check(created and abs(created["fireDate"] - created["createdAt"] - 7200) < 3,
              f"the composer creates a two-hour timer: {created}")


def scenario_empty_list_and_samples():
    with Desktop(bus=False) as desktop:
        app = launch(desktop, [])
        check(open_list(desktop, (360, 280)), "the empty list is 360 x 280")
        time.sleep(0.3)
        desktop.screenshot(ARTEFACTS, "list-empty")
        check(app.stop() == 0, "the application ends cleanly")

        app = launch(desktop, [timer("Настоящий", 4000)], diagnostics="timer_list")
        check(desktop.window(name="Brindlecap", size=(360, 210)),
              "timer_list shows the two sample timers")
        time.sleep(0.3)
        desktop.screenshot(ARTEFACTS, "list-samples")
        app.stop()
        check([t["title"] for t in read_timers(desktop.home) or []] == ["Настоящий"],
              f"timer_list never writes its samples: {read_timers(desktop.home)}")


scenario_list_actions_and_composer()
scenario_empty_list_and_samples()
finish("timer list")
