#!/usr/bin/env python3
"""The command line against the real binary.

With an instance on Xvfb and a private session bus: `add 25m Чай` is in the timers file when the
command returns and changes the icon; `list --json` and `list` show it; `toggle-list` opens and
closes the list; snooze and extend move it; bad durations and ids exit 2, an unknown timer 1, each
with a message; `remove` takes it away and the icon looks as before; `quit` ends the instance.
Without a bus and without an instance: `list` reads the file, `add` starts an instance (over the
single-instance socket) and hands it the timer, and `list` answers again once it has quit.
`--help` and `--version` answer without any display. On a Wayland session without the portal's
global shortcuts the hot key is reported unavailable.
Usage: command_line.py <path to brindlecap> <artefact folder>
"""
import json
import os
import re
import subprocess
import sys
import time
import uuid

from desktop import (App, Desktop, check, finish, pixels, read_timers, seed_settings, timers_path,
                     wait_for)

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]


def brindlecap(env, *args, timeout=30):
    """Runs one command; (exit status, standard output, standard error)."""
    result = subprocess.run([BINARY, *args], env=env, capture_output=True, timeout=timeout)
    return (result.returncode, result.stdout.decode(errors="replace"),
            result.stderr.decode(errors="replace"))


def icon_pixels(desktop, icon, name):
    x, y, w, h = icon
    return pixels(desktop.screenshot(ARTEFACTS, name), x, y, w, h)


def scenario_running_instance():
    desktop = Desktop(notifications=False)
    try:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = App(BINARY, desktop)
        env = desktop.app_env()
        icon = desktop.icon()
        if not check(icon, "the icon appears"):
            return
        time.sleep(0.5)
        idle = icon_pixels(desktop, icon, "cli-icon-idle")

        started = time.monotonic()
        code, out, err = brindlecap(env, "add", "25m", "Чай")
        took = time.monotonic() - started
        match = re.fullmatch(r"([0-9A-F-]{36})\t(?:сегодня в |.+ )\d\d?:\d\d\n", out)
        check(code == 0 and match, f"add answers the id and fire time: {code} {out!r} {err!r}")
        if not match:
            return
        tea = match.group(1)
        saved = read_timers(desktop.home) or []
        print(f"add returned after {took:.2f} s", flush=True)
        check([t["title"] for t in saved] == ["Чай"] and saved[0]["id"] == tea,
              f"the timers file holds it when add returns: {saved}")
        check(abs(saved[0]["fireDate"] - saved[0]["createdAt"] - 1500) < 0.01, "25 minutes")
        check(wait_for(lambda: icon_pixels(desktop, icon, "cli-icon-counting") != idle, 5),
              "the icon shows the countdown")

        code, out, _ = brindlecap(env, "list", "--json")
        listed = json.loads(out) if code == 0 else []
        check(len(listed) == 1 and listed[0]["id"] == tea and listed[0]["title"] == "Чай"
              and 1490 <= listed[0]["remainingSeconds"] <= 1500
              and listed[0]["remaining"] == "Через 25 минут", f"list --json: {out!r}")
        code, out, _ = brindlecap(env, "list")
        check(code == 0 and "Через 25 минут" in out and "Чай" in out and tea in out,
              f"list: {out!r}")

        check(brindlecap(env, "toggle-list")[0] == 0, "toggle-list answers")
        check(desktop.window(name="Brindlecap", size=(360, 180)), "toggle-list opens the list")
        desktop.screenshot(ARTEFACTS, "cli-toggle-list")
        brindlecap(env, "toggle-list")
        check(wait_for(lambda: not desktop.window(name="Brindlecap", size=(360, 180), timeout=0.2)),
              "toggle-list again closes it")

        before = saved[0]["fireDate"]
        check(brindlecap(env, "extend", tea)[0] == 0, "extend answers")
        check(abs(read_timers(desktop.home)[0]["fireDate"] - before - 300) < 0.01, "extend: +5 min")
        check(brindlecap(env, "snooze", tea, "2")[0] == 0, "snooze answers")
        snoozed = read_timers(desktop.home)[0]
        check(abs(snoozed["fireDate"] - snoozed["lastSnoozedAt"] - 120) < 0.01, "snooze: in 2 min")

        for args, status, words in ((["add", "25"], 2, "нет единицы"),
                                    (["add", "8d"], 2, "не больше чем на 7 дней"),
                                    (["add", "1:30"], 2, "1h30m"),
                                    (["remove", "abc"], 2, "не id таймера"),
                                    (["remove", str(uuid.uuid4()).upper()], 1, "нет"),
                                    (["snooze", str(uuid.uuid4())], 1, "нет"),
                                    (["frob"], 2, "Неизвестная команда")):
            code, out, err = brindlecap(env, *args)
            check(code == status and words in err and err.startswith("brindlecap: ") and not out,
                  f"{args} exits {status} with a message: {code} {err!r}")

        check(brindlecap(env, "remove", tea)[0] == 0, "remove answers")
        check(read_timers(desktop.home) == [], "remove takes it out of the file")
        check(wait_for(lambda: icon_pixels(desktop, icon, "cli-icon-after") == idle, 5),
              "the icon looks as it did before the timer")

        check(brindlecap(env, "quit")[0] == 0, "quit answers")
        check(wait_for(lambda: app.process.poll() is not None, 5), "quit ends the instance")
        check(app.stop() == 0, "the instance ended normally")
        check(brindlecap(env, "toggle-list")[0] == 1, "nothing left to toggle: exit 1")
    finally:
        desktop.close()


def scenario_no_instance_no_bus():
    desktop = Desktop(bus=False, x=False)
    env = desktop.app_env()
    try:
        code, out, _ = brindlecap(env, "list")
        check(code == 0 and out == "Нет активных таймеров\n", f"list without anything: {out!r}")

        code, out, err = brindlecap(env, "add", "10m", "Потом")
        check(code == 0, f"add starts an instance: {code} {err!r}")
        socket = os.path.join(desktop.runtime, "org.brindlecap.Brindlecap.socket")
        check(os.path.exists(socket), "the started instance listens on its socket")
        code, out, _ = brindlecap(env, "list")
        check(code == 0 and "Потом" in out, f"list through the instance: {out!r}")

        check(brindlecap(env, "quit")[0] == 0, "quit")
        check(not os.path.exists(socket), "the instance is gone when quit returns")
        path = timers_path(desktop.home)
        stamp = os.stat(path).st_mtime_ns
        code, out, _ = brindlecap(env, "list", "--json")
        check(code == 0 and [t["title"] for t in json.loads(out)] == ["Потом"],
              f"list reads the saved timers: {out!r}")
        check(os.stat(path).st_mtime_ns == stamp, "and leaves the file alone")
    finally:
        brindlecap(env, "quit")  # never leave a detached instance behind
        desktop.close()


def scenario_wayland_session():
    """An X11 grab would see no key typed into a Wayland window: without the portal's global
    shortcuts the combination is unavailable, and the settings window says what to bind."""
    desktop = Desktop(notifications=False)
    try:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        desktop.env.update(WAYLAND_DISPLAY="wayland-nowhere", XDG_SESSION_TYPE="wayland")
        app = App(BINARY, desktop, diagnostics="settings")
        check(app.line("BRINDLECAP_GLOBAL_SHORTCUT 46-6400 unavailable"),
              f"no portal: unavailable, never registered: {app.output[-300:]}")
        if check(desktop.window(name="Настройки Brindlecap"), "the settings window opens"):
            time.sleep(1)
            desktop.screenshot(ARTEFACTS, "cli-wayland-settings")
        check(app.stop() == 0, "wayland session: exits 0")
    finally:
        desktop.close()


def scenario_without_display():
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    code, out, err = brindlecap(env, "--help")
    check(code == 0 and "Использование: brindlecap" in out and "toggle-list" in out and not err,
          f"--help without a display: {code} {err!r}")
    code, out, err = brindlecap(env, "--version")
    check(code == 0 and re.fullmatch(r"brindlecap \d+\.\d+\.\d+\n", out),
          f"--version without a display: {out!r} {err!r}")


scenario_without_display()
scenario_no_instance_no_bus()
scenario_running_instance()
scenario_wayland_session()
finish("command line")
