#!/usr/bin/env python3
"""The wall clock jumping under a running instance (libfaketime, changed through a file while the
application runs; its monotonic clock stays real, as on a machine whose time is set).

A timer completes; the clock goes back an hour, so its fire date lies ahead again: it is not
announced a second time, and the icon and the list show it as the next timer. The clock then goes
forward a day, past everything: the two timers that became overdue are announced once each, the
first one still not again, and the icon and the list are empty.
Usage: clock_jump.py <path to brindlecap> <artefact folder>
"""
import glob
import json
import os
import subprocess
import sys
import time

from desktop import App, Desktop, check, finish, seed_settings, seed_timers, timer, wait_for

BINARY = sys.argv[1]
LIBRARY = (glob.glob("/usr/lib/*/faketime/libfaketime.so.1") or [""])[0]


def main():
    if not check(LIBRARY, "libfaketime is installed (Debian package faketime)"):
        return
    with Desktop(bus=False, x=False) as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        offset = desktop.root + "/faketime"
        jump = lambda spec: open(offset, "w").write(spec + "\n")
        jump("+0")
        desktop.env.update(LD_PRELOAD=LIBRARY, FAKETIME_TIMESTAMP_FILE=offset,
                           FAKETIME_NO_CACHE="1", FAKETIME_DONT_FAKE_MONOTONIC="1",
                           # A sanitizer build refuses to start when another library is
                           # preloaded before its runtime; libfaketime only wraps the clock.
                           ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") +
                           ":verify_asan_link_order=0")
        seed_timers(desktop.home, [timer("first", 8), timer("second", 1800), timer("third", 7200)])
        app = App(BINARY, desktop, diagnostics="1")
        env = desktop.app_env()
        check(app.line("BRINDLECAP_COMPLETION_ENQUEUED first"), "the first timer completes")
        check(wait_for(lambda: icon(app) in ("29", "30")), f"icon: the second next: {icon(app)}")
        check(listed(env) == ["second", "third"], f"list after the completion: {listed(env)}")

        jump("-3600")
        check(wait_for(lambda: icon(app) == "60"), f"an hour back: the first is next: {icon(app)}")
        check(listed(env) == ["first", "second", "third"], f"list an hour back: {listed(env)}")
        time.sleep(2)
        check(completions(app) == ["first"], f"nothing completes again: {completions(app)}")

        jump("+86400")
        wait_for(lambda: len(completions(app)) >= 3)
        time.sleep(2)
        check(completions(app) == ["first", "second", "third"],
              f"a day on: the overdue ones once each, in order: {completions(app)}")
        check(wait_for(lambda: icon(app) == "idle"), f"a day on: the icon is idle: {icon(app)}")
        check(listed(env) == [], f"a day on: the list is empty: {listed(env)}")


def completions(app):
    return [line.split(" ", 1)[1] for line in list(app.lines)
            if line.startswith("BRINDLECAP_COMPLETION_ENQUEUED ")]


def icon(app):
    lines = [line for line in list(app.lines) if line.startswith("BRINDLECAP_ICON ")]
    return lines[-1].split(" ", 1)[1] if lines else None


def listed(env):
    result = subprocess.run([BINARY, "list", "--json"], env=env, capture_output=True, timeout=30)
    return [t["title"] for t in json.loads(result.stdout)] if result.returncode == 0 else None


main()
finish("clock jump")
