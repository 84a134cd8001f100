#!/usr/bin/env python3
"""Creates a timer the way a person does: press the icon, drag down, release, name it.

Runs the real binary under Xvfb (1440 x 900) driven by xdotool, with and without an XEmbed tray
(trayer) and with and without a compositing manager (picom). Checks that the timers file gets a
timer whose duration matches the travel, that Escape during a drag and a plain click create
nothing, and keeps screenshots as artefacts.
Usage: drag_to_create.py <brindlecap> <artefact folder> [tray|panel] [composited|plain]
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from desktop import seed_settings

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
HOST = sys.argv[3] if len(sys.argv) > 3 else "panel"
COMPOSITOR = sys.argv[4] if len(sys.argv) > 4 else "plain"
WIDTH, HEIGHT = 1440, 900
NAME = f"{HOST}-{COMPOSITOR}"
failures = []
children = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print(f"FAIL [{NAME}]:", message, flush=True)


def free_display():
    for n in range(90, 140):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise SystemExit("no free X display number")


def spawn(args, env, **kw):
    p = subprocess.Popen(args, env=env, stdout=kw.get("stdout", subprocess.DEVNULL),
                         stderr=kw.get("stderr", subprocess.DEVNULL))
    children.append(p)
    return p


def xdotool(env, *args):
    subprocess.run(["xdotool", *map(str, args)], env=env, check=True)


def screenshot(env, name):
    os.makedirs(ARTEFACTS, exist_ok=True)
    path = os.path.join(ARTEFACTS, f"drag-{NAME}-{name}.png")
    subprocess.run(["import", "-window", "root", path], env=env, check=True)
    return path


def icon_geometry(env, timeout=10):
    """The icon's window: a small window of ours, docked in the tray or hanging below the top."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                              text=True).stdout
        for line in tree.splitlines():
            m = re.search(r'"Brindlecap".*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)', line)
            if m:
                w, h, x, y = map(int, m.groups())
                # In the tray, wait until it is docked (the tray makes the slot 24 x 22), so
                # the docking cannot move the window away under the pointer mid-test.
                if 16 <= w <= 32 and 16 <= h <= 32 and (HOST != "tray" or (y < 30 and h == 22)):
                    return x, y, w, h
        time.sleep(0.2)
    return None


def wait_for_window(env, width, height, timeout=20):
    """Waits until a window of ours with this size is mapped (the naming panel)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True,
                              text=True).stdout
        if re.search(rf'"Brindlecap".*?\b{width}x{height}\+', tree):
            return True
        time.sleep(0.1)
    return False


def pixels(path, x, y, w, h):
    out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "txt:-"],
                         capture_output=True, text=True).stdout
    return [line.split()[2] for line in out.splitlines()[1:]]


def read_timers(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def expected_minutes(press_qt_y, release_qt_y):
    # Global points grow upwards; the bubble is 58 high and the usable area is inset by 8.
    press_y, release_y = HEIGHT - press_qt_y, HEIGHT - release_qt_y
    start = min(press_y - 3, HEIGHT - 8 - 29)
    distance = max(start - 8, 1)
    travel = max(start - release_y, 0)
    return max(round(travel / distance * 240), 1)


def main():
    display = free_display()
    home = tempfile.mkdtemp(prefix="brindlecap-e2e-")
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("XDG_", "QT_", "WAYLAND")) and k != "BRINDLECAP_DIAGNOSTICS"}
    env.update(DISPLAY=display, HOME=home, XDG_RUNTIME_DIR=runtime, LANG="ru_RU.UTF-8",
               LC_ALL="ru_RU.UTF-8", TZ="UTC")
    timers_path = os.path.join(home, ".local", "share", "Brindlecap", "timers.json")
    seed_settings(home, hasCompletedOnboarding="true")  # no welcome window over the gesture
    try:
        spawn(["Xvfb", display, "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp"], env)
        for _ in range(50):
            if os.path.exists(f"/tmp/.X11-unix/X{display[1:]}"):
                break
            time.sleep(0.1)
        if COMPOSITOR == "composited":
            spawn(["picom", "--config", "/dev/null", "--backend", "xrender"], env)
        if HOST == "tray":
            spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                   "--height", "24", "--margin", "200"], env)
        time.sleep(1.0)
        log = open(os.path.join(home, "app.log"), "w")
        app = spawn([BINARY], env, stdout=log, stderr=subprocess.STDOUT)
        geometry = icon_geometry(env)
        check(geometry is not None, "the icon appears")
        if geometry is None:
            return
        x, y, w, h = geometry
        if HOST == "tray":
            check(y < 24, f"docked in the tray at the top: {geometry}")
        cx, cy = x + w // 2, y + h // 2
        time.sleep(0.8)
        idle = screenshot(env, "1-idle")

        # A plain click creates nothing.
        xdotool(env, "mousemove", cx, cy)
        xdotool(env, "click", "1")
        time.sleep(0.5)
        xdotool(env, "mousemove", 700, 600)
        xdotool(env, "click", "1")
        time.sleep(0.3)

        # Escape during a drag creates nothing.
        xdotool(env, "mousemove", cx, cy)
        xdotool(env, "mousedown", "1")
        for step in range(1, 21):
            xdotool(env, "mousemove", cx, cy + step * 5)
            time.sleep(0.02)
        time.sleep(0.2)
        xdotool(env, "key", "Escape")
        xdotool(env, "mouseup", "1")
        time.sleep(0.5)
        check(read_timers(timers_path) == [], "a click and an escaped drag create nothing")

        # The real thing: about 300 pixels down in small steps.
        xdotool(env, "mousemove", cx, cy)
        xdotool(env, "mousedown", "1")
        for step in range(1, 61):
            xdotool(env, "mousemove", cx, cy + step * 5)
            time.sleep(0.02)
        time.sleep(0.5)  # slow down, so the fine step applies
        screenshot(env, "2-dragging")
        xdotool(env, "mouseup", "1")
        check(wait_for_window(env, 300, 142), "the naming panel opens")
        time.sleep(0.3)  # its field takes focus on the next turn of the event loop
        screenshot(env, "3-naming")
        xdotool(env, "type", "--delay", "30", "Tea")
        xdotool(env, "key", "Return")
        timers = None
        for _ in range(50):
            timers = read_timers(timers_path)
            if timers:
                break
            time.sleep(0.1)
        check(bool(timers) and timers[0]["title"] == "Tea", f"the named timer is saved: {timers}")
        if timers:
            minutes = (timers[0]["fireDate"] - timers[0]["createdAt"]) / 60
            expected = expected_minutes(cy, cy + 300)
            check(abs(minutes - expected) <= 5.1,
                  f"duration {minutes:.2f} min matches the travel ({expected} min)")
        changed = False
        for attempt in range(20):
            time.sleep(0.25)
            counting = screenshot(env, "4-counting")
            changed = pixels(idle, x, y, w, h) != pixels(counting, x, y, w, h)
            if changed:
                break
        check(changed, "the icon shows the countdown")
        app.terminate()
        check(app.wait(timeout=10) == 0, "the application ends cleanly")
    finally:
        for p in reversed(children):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(home, ignore_errors=True)


main()
print(f"{NAME}: {'FAILED' if failures else 'ok'}")
sys.exit(1 if failures else 0)
