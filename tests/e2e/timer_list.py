#!/usr/bin/env python3
"""The timer list as a person uses it, on a real X server (Xvfb 1440 x 900, xdotool).

Click the icon: the list shows the timers of the timers file. Hover a row and press "+5": the
file's fire date moves by 300 s. Delete: the timer leaves the file. Plus: the composer; 2, "час",
a title, Return: the file holds a two-hour timer. With BRINDLECAP_DIAGNOSTICS=timer_list the list
shows two sample timers and the file stays as it was. Screenshots are kept as artefacts.
Usage: timer_list.py <brindlecap> <artefact folder>
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

from desktop import seed_settings

BINARY, ARTEFACTS = sys.argv[1], sys.argv[2]
REFERENCE = 978307200.0
failures = []
children = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition


def free_display():
    for n in range(140, 190):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise SystemExit("no free X display number")


def xdotool(env, *args):
    subprocess.run(["xdotool", *map(str, args)], env=env, check=True)


def screenshot(env, name):
    os.makedirs(ARTEFACTS, exist_ok=True)
    subprocess.run(["import", "-window", "root", os.path.join(ARTEFACTS, f"list-{name}.png")],
                   env=env, check=True)


def windows(env):
    # A locale that surely exists, so window names come out as UTF-8 rather than escapes.
    tree = subprocess.run(["xwininfo", "-root", "-tree"], env={**env, "LC_ALL": "C.UTF-8"},
                          capture_output=True, text=True).stdout
    found = []
    for line in tree.splitlines():
        m = re.search(r'(0x[0-9a-f]+) "([^"]*)": \("brindlecap".*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+'
                      r'\+(-?\d+)\+(-?\d+)', line)
        if m:
            found.append((m.group(1), m.group(2), *map(int, m.groups()[2:])))
    return found


def is_viewable(env, window_id):
    info = subprocess.run(["xwininfo", "-id", window_id], env=env, capture_output=True,
                          text=True).stdout
    return "IsViewable" in info


def wait_for(predicate, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return None


def window_at(env, title, w, h):
    def find():
        for window_id, name, ww, hh, x, y in windows(env):
            if name == title and ww == w and hh == h and is_viewable(env, window_id):
                return x, y
        return None
    return wait_for(find)


def read(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


class Session:
    def __init__(self, seed, extra_env=None):
        self.home = tempfile.mkdtemp(prefix="brindlecap-list-")
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.display = free_display()
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("XDG_", "QT_", "WAYLAND", "DBUS_"))
                    and k != "BRINDLECAP_DIAGNOSTICS"}
        self.env.update(DISPLAY=self.display, HOME=self.home, XDG_RUNTIME_DIR=runtime,
                        LANG="ru_RU.UTF-8", LC_ALL="ru_RU.UTF-8", TZ="UTC",
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent")
        self.env.update(extra_env or {})
        self.timers = os.path.join(self.home, ".local", "share", "Brindlecap", "timers.json")
        os.makedirs(os.path.dirname(self.timers))
        seed_settings(self.home, hasCompletedOnboarding="true")  # no welcome window over the list
        with open(self.timers, "w", encoding="utf-8") as f:
            json.dump(seed, f, ensure_ascii=False)
        self.xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1440x900x24",
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(f"/tmp/.X11-unix/X{self.display[1:]}"))
        self.app = subprocess.Popen([BINARY], env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        self.icon = wait_for(lambda: next(((x + w // 2, y + h // 2) for _, name, w, h, x, y
                                           in windows(self.env) if 16 <= w <= 32 and 16 <= h <= 32),
                                          None))

    def close(self):
        self.app.terminate()
        code = self.app.wait(timeout=10)
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)
        shutil.rmtree(self.home, ignore_errors=True)
        return code


def timer(title, seconds):
    now = time.time() - REFERENCE
    return {"id": str(uuid.uuid4()).upper(), "title": title, "createdAt": now - 600,
            "fireDate": now + seconds}


def scenario_list_actions_and_composer():
    seed = [timer("Чай", 1800), timer("Созвон с командой", 7200), timer("Посылка", 90000)]
    s = Session(seed)
    try:
        if not check(s.icon is not None, "the icon appears"):
            return
        time.sleep(0.5)
        xdotool(s.env, "mousemove", *s.icon, "click", "1")
        origin = window_at(s.env, "Brindlecap", 360, 270)
        if not check(origin is not None, "a click opens the list sized for three timers"):
            return
        x, y = origin
        xdotool(s.env, "mousemove", x + 180, y + 110)
        time.sleep(0.5)
        screenshot(s.env, "three-timers")

        # "+5" on the first row, visible while the pointer is over the row.
        xdotool(s.env, "mousemove", x + 315, y + 138)
        time.sleep(0.4)
        xdotool(s.env, "click", "1")
        moved = wait_for(lambda: (read(s.timers) or [{}])[0].get("fireDate", 0)
                         > seed[0]["fireDate"] + 1)
        after = read(s.timers) or []
        check(moved and abs(after[0]["fireDate"] - seed[0]["fireDate"] - 300) < 0.01,
              f"+5 moves the fire date by 300 s: {after[:1]}")

        # Delete the same row.
        xdotool(s.env, "mousemove", x + 339, y + 138)
        time.sleep(0.4)
        xdotool(s.env, "click", "1")
        gone = wait_for(lambda: [t["title"] for t in read(s.timers) or []]
                        == ["Созвон с командой", "Посылка"])
        check(gone, f"delete removes the timer from the file: {read(s.timers)}")
        check(window_at(s.env, "Brindlecap", 360, 210) is not None, "the list shrinks to two rows")

        # The composer: 2, "час", a title, Return.
        screenshot(s.env, "two-timers")
        xdotool(s.env, "mousemove", x + 335, y + 77)
        xdotool(s.env, "click", "1")
        composer = window_at(s.env, "Новый таймер", 300, 198)
        if not check(composer is not None, "plus opens the composer"):
            return
        cx, cy = composer
        time.sleep(0.4)
        xdotool(s.env, "mousemove", cx + 36, cy + 82)
        xdotool(s.env, "click", "--repeat", "3", "1")
        xdotool(s.env, "key", "ctrl+a")
        xdotool(s.env, "type", "2")
        xdotool(s.env, "mousemove", cx + 153, cy + 82)
        xdotool(s.env, "click", "1")
        xdotool(s.env, "mousemove", cx + 150, cy + 123)
        xdotool(s.env, "click", "1")
        xdotool(s.env, "type", "--delay", "30", "Report")
        time.sleep(0.3)
        screenshot(s.env, "composer")
        xdotool(s.env, "key", "Return")
        created = wait_for(lambda: next((t for t in read(s.timers) or []
                                         if t["title"] == "Report"), None))
        check(created and abs(created["fireDate"] - created["createdAt"] - 7200) < 3,
              f"the composer creates a two-hour timer: {created}")
    finally:
        check(s.close() == 0, "the application ends cleanly")


def scenario_empty_list():
    s = Session([])
    try:
        if not check(s.icon is not None, "the icon appears (empty)"):
            return
        time.sleep(0.5)
        xdotool(s.env, "mousemove", *s.icon, "click", "1")
        check(window_at(s.env, "Brindlecap", 360, 280) is not None, "the empty list is 360 x 280")
        time.sleep(0.3)
        screenshot(s.env, "empty")
    finally:
        s.close()


def scenario_sample_timers_leave_the_file_alone():
    seed = [timer("Настоящий", 4000)]
    s = Session(seed, {"BRINDLECAP_DIAGNOSTICS": "timer_list"})
    try:
        check(window_at(s.env, "Brindlecap", 360, 210) is not None,
              "timer_list shows the two sample timers")
        time.sleep(0.3)
        screenshot(s.env, "samples")
    finally:
        s.close()
    # The folder is gone with the session; read what the app left before it ended.


def scenario_sample_file_check():
    seed = [timer("Настоящий", 4000)]
    s = Session(seed, {"BRINDLECAP_DIAGNOSTICS": "timer_list"})
    window_at(s.env, "Brindlecap", 360, 210)
    s.app.terminate()
    s.app.wait(timeout=10)
    check([t["title"] for t in read(s.timers) or []] == ["Настоящий"],
          f"timer_list never writes its samples: {read(s.timers)}")
    s.xvfb.terminate()
    s.xvfb.wait(timeout=10)
    shutil.rmtree(s.home, ignore_errors=True)


scenario_list_actions_and_composer()
scenario_empty_list()
scenario_sample_timers_leave_the_file_alone()
scenario_sample_file_check()
print("timer list:", "FAILED" if failures else "ok")
sys.exit(1 if failures else 0)
