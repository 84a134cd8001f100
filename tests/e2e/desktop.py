"""A throwaway desktop for end-to-end scripts: Xvfb (or Qt's offscreen platform), a private session
bus, a notification server (dunst) and the application with its own home folder. Python standard
library only."""
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import uuid

REFERENCE = 978307200.0  # the timers file counts seconds from 2001-01-01 UTC
WIDTH, HEIGHT = 1440, 900

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition


def finish(name):
    print(name + ":", "FAILED" if failures else "ok", flush=True)
    raise SystemExit(1 if failures else 0)


def wait_for(predicate, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    return None


def timer(title, seconds_from_now, age=600):
    now = time.time() - REFERENCE
    return {"id": str(uuid.uuid4()).upper(), "title": title, "createdAt": now - age,
            "fireDate": now + seconds_from_now}


def timers_path(home):
    return os.path.join(home, ".local", "share", "Brindlecap", "timers.json")


def seed_timers(home, items):
    os.makedirs(os.path.dirname(timers_path(home)), exist_ok=True)
    with open(timers_path(home), "w", encoding="utf-8") as f:
        json.dump(items, f, ensure_ascii=False)


def read_timers(home):
    """The timers file's content; None when it is missing or unreadable."""
    try:
        with open(timers_path(home), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def seed_settings(home, **values):
    """Writes preferences before the first launch, e.g. hasCompletedOnboarding="true"."""
    folder = os.path.join(home, ".config", "Brindlecap")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "settings.ini"), "w", encoding="utf-8") as f:
        f.write("[General]\n")
        for key, value in values.items():
            f.write(f"settings.{key}={value}\n")


def drag_minutes(press_y, release_y, scale=1, area=(0, HEIGHT)):
    """The minutes a drag between these device rows sets: the start line is the press less 3
    points, or lower where the 58-point bubble fits under the usable area's top (less 8); the usable
    area's bottom (plus 8) is four hours. `area` is the usable area's top and height."""
    top, height = area
    start = min(-press_y / scale - 3, -top / scale - 8 - 29)
    travel = max(start + release_y / scale, 0)
    return max(round(travel / (start + (top + height) / scale - 8) * 240), 1)


def name_timer(desktop, title, minutes, scale=1, shot=lambda: None):
    """Names the timer in the naming panel a drag opened; checks it is saved lasting `minutes`
    (within the coarse step)."""
    if not check(desktop.window(size=(300 * scale, 142 * scale), timeout=20),
                 f"the naming panel opens at {scale}x"):
        return
    time.sleep(0.3)  # its field takes focus on the next turn of the event loop
    shot()
    desktop.xdotool("type", "--delay", "30", title)
    desktop.xdotool("key", "Return")
    made = wait_for(lambda: [t for t in read_timers(desktop.home) or [] if t["title"] == title], 5)
    if check(made, f"the named timer is saved: {read_timers(desktop.home)}"):
        lasts = (made[0]["fireDate"] - made[0]["createdAt"]) / 60
        check(abs(lasts - minutes) <= 5.1, f"it lasts as the travel says: {lasts:.1f} min, "
                                           f"{minutes} expected")


def pixels(path, x, y, w, h):
    """The colours of a screenshot's rectangle, row by row, as ImageMagick names them."""
    out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "txt:-"],
                         capture_output=True, text=True).stdout
    return [line.split()[2] for line in out.splitlines()[1:] if len(line.split()) > 2]


class Desktop:
    """Xvfb 1440 x 900 (or offscreen with `x=False`), optionally a session bus and dunst, a tray
    (trayer) and a compositing manager (picom). `home` is shared by the apps started."""

    def __init__(self, bus=True, notifications=True, x=True, tray=False, compositor=False):
        self.root = tempfile.mkdtemp(prefix="brindlecap-e2e-")
        self.home = os.path.join(self.root, "home")
        self.runtime = os.path.join(self.root, "runtime")
        os.makedirs(self.home)
        os.makedirs(self.runtime, mode=0o700)
        self.processes = []
        self.apps = []
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("XDG_", "QT_", "WAYLAND", "DBUS_", "BRINDLECAP_"))
                    and k != "DISPLAY"}
        self.env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime, LANG="ru_RU.UTF-8",
                        LC_ALL="ru_RU.UTF-8", TZ="UTC",
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent")
        if x:
            # Xvfb picks a free display and names it once it accepts connections.
            xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
                               "-nolisten", "tcp"], stdout=subprocess.PIPE)
            self.env["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        else:
            self.env["QT_QPA_PLATFORM"] = "offscreen"
        if compositor:
            self.spawn(["picom", "--config", "/dev/null", "--backend", "xrender"])
        if tray:
            self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                        "--height", "24", "--margin", "200"])
        if bus:
            daemon = self.spawn(["dbus-daemon", "--nofork", "--print-address=1",
                                 "--config-file=" + self._bus_config()], stdout=subprocess.PIPE)
            self.env["DBUS_SESSION_BUS_ADDRESS"] = daemon.stdout.readline().decode().strip()
        if bus and notifications:
            self._start_dunst()

    def _bus_config(self):
        # Not the stock session configuration: that one would start the installed notification
        # server on demand, and "no server" must really mean none.
        path = os.path.join(self.root, "bus.conf")
        with open(path, "w", encoding="utf-8") as f:
            f.write(f"<busconfig><type>session</type><listen>unix:path={self.root}/bus</listen>"
                    "<auth>EXTERNAL</auth><policy context='default'><allow send_destination='*'/>"
                    "<allow own='*'/><allow receive_sender='*'/></policy></busconfig>\n")
        return path

    def spawn(self, args, stdout=subprocess.DEVNULL):
        process = subprocess.Popen(args, env=self.env, stdout=stdout, stderr=subprocess.DEVNULL)
        self.processes.append(process)
        return process

    def _start_dunst(self):
        # dunst hands a notification's actions to its "dmenu"; ours picks the quick snooze.
        dmenu = os.path.join(self.root, "pick-quick-snooze")
        with open(dmenu, "w", encoding="utf-8") as f:
            f.write("#!/bin/sh\ngrep BRINDLECAP_QUICK_SNOOZE | head -n 1\n")
        os.chmod(dmenu, 0o755)
        config = os.path.join(self.root, "dunstrc")
        with open(config, "w", encoding="utf-8") as f:
            f.write(f"[global]\n    dmenu = {dmenu}\n")
        self.spawn(["dunst", "-config", config])
        wait_for(lambda: self.dunstctl("count", "--displayed") is not None, timeout=10)

    def app_env(self, diagnostics=None, home=None, runtime=None, bus=True):
        changes = {"BRINDLECAP_DIAGNOSTICS": diagnostics, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                   "DBUS_SESSION_BUS_ADDRESS": None if bus else "unix:path=/nonexistent"}
        return {**self.env, **{k: v for k, v in changes.items() if v is not None}}

    def dunstctl(self, *args):
        result = subprocess.run(["dunstctl", *args], env=self.env, capture_output=True,
                                text=True)
        return result.stdout.strip() if result.returncode == 0 else None

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def screenshot(self, folder, name):
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)
        return path

    def windows(self):
        """(id, name, width, height, x, y) of every brindlecap window that is mapped."""
        # A locale that surely exists, so window names come out as UTF-8 rather than escapes.
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env={**self.env, "LC_ALL": "C.UTF-8"},
                              capture_output=True, text=True).stdout
        found = []
        for line in tree.splitlines():
            m = re.search(r'(0x[0-9a-f]+) "([^"]*)": \("brindlecap".*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+'
                          r'\+(-?\d+)\+(-?\d+)', line)
            if m and "IsViewable" in subprocess.run(["xwininfo", "-id", m.group(1)], env=self.env,
                                                    capture_output=True, text=True).stdout:
                found.append((m.group(1), m.group(2), *map(int, m.groups()[2:])))
        return found

    def window(self, name=None, size=None, timeout=10.0, where=lambda x, y, w, h: True):
        """Waits for a mapped window with this name and/or size; returns (x, y, w, h)."""
        def find():
            for _, title, w, h, x, y in self.windows():
                if ((name is None or title == name) and (size is None or (w, h) == size)
                        and where(x, y, w, h)):
                    return x, y, w, h
            return None
        return wait_for(find, timeout)

    def icon(self, docked=False, timeout=20.0):
        """The icon's window (x, y, w, h): small, hanging below the top bar or, with `docked`,
        in the tray's 24 x 22 slot, so docking cannot move it away under the pointer. The wait is
        long because a sanitizer build on a busy machine can take seconds to start."""
        return self.window(timeout=timeout, where=lambda x, y, w, h: 16 <= w <= 32 and 16 <= h <= 32
                           and (not docked or (y < 30 and h == 22)))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for app in self.apps:  # whatever a scenario leaves running must end cleanly
            if app.process.poll() is None:
                check(app.stop() == 0, "the application ends cleanly")
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            if process.stdout:
                process.stdout.close()
        shutil.rmtree(self.root, ignore_errors=True)


class App:
    """The application on a desktop, with every line it has printed so far."""

    def __init__(self, binary, desktop, **options):
        self.env = desktop.app_env(**options)
        self.home = self.env["HOME"]
        self.process = subprocess.Popen([binary], env=self.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, errors="replace")
        desktop.apps.append(self)
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))

    @property
    def output(self):
        return "\n".join(self.lines)

    def line(self, prefix, occurrence=1, timeout=20.0):
        """The `occurrence`-th line starting with `prefix`, waiting for it; None on timeout."""
        def found():
            matches = [l for l in list(self.lines) if l.startswith(prefix)]
            return matches[occurrence - 1] if len(matches) >= occurrence else None
        wait_for(lambda: found() or not self.reader.is_alive(), timeout)
        return found()

    def stop(self, sig=signal.SIGTERM):
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            code = self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self.reader.join(timeout=5)
        return code


class XfceDesktop(Desktop):
    """Debian's own Xfce on the private bus: xfwm4, xfce4-panel with the distribution's default
    panel (dark, at the top, its notification area hosting the tray) and xfce4-notifyd, all
    reading their settings through xfconfd from a fresh configuration folder."""

    XFCE = "/usr/lib/x86_64-linux-gnu/xfce4"

    def __init__(self):
        super().__init__(bus=True, notifications=False)
        config = os.path.join(self.home, ".config")
        channels = os.path.join(config, "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channels)
        shutil.copy("/etc/xdg/xfce4/panel/default.xml", os.path.join(channels, "xfce4-panel.xml"))
        self.env["XDG_CONFIG_HOME"] = config
        for program in (f"{self.XFCE}/xfconf/xfconfd", "xfwm4", "xfce4-panel",
                        f"{self.XFCE}/notifyd/xfce4-notifyd"):
            self.spawn([program])

    def panel(self, prop, *typed_values):
        """Sets a property of the top panel, e.g. panel("background-style", "uint", 1)."""
        args = ["xfconf-query", "-c", "xfce4-panel", "-p", f"/panels/panel-1/{prop}", "-n"]
        for kind, value in zip(typed_values[::2], typed_values[1::2]):
            args += ["-t", kind, "-s", str(value)]
        subprocess.run(args, env=self.env, check=True, capture_output=True)

    def workarea(self):
        """The usable area (x, y, w, h) in device pixels, below the panel."""
        out = subprocess.run(["xprop", "-root", "_NET_WORKAREA"], env=self.env,
                             capture_output=True, text=True).stdout
        numbers = [int(n) for n in re.findall(r"\d+", out.split("=")[-1])[:4]]
        return tuple(numbers) if len(numbers) == 4 else (0, 0, WIDTH, HEIGHT)
