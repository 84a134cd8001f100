#!/usr/bin/env python3
"""One instance per user: a second start asks the first to show itself and leaves.

Runs the real binary offscreen in a fresh home, with a private session bus and without any bus
(DBUS_SESSION_BUS_ADDRESS pointing at a socket nobody listens on), and with one instance on each
side. Checks that the second instance exits 0 without touching the timers file, that the first
reports the activation, that the bus interface answers Activate, and that a first instance killed
with SIGKILL (stale socket, name and lock released by the kernel) does not block the next start.
Usage: single_instance.py <path to brindlecap>
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BINARY = sys.argv[1]
APP_ID = "org.brindlecap.Brindlecap"
LAUNCHED = "BRINDLECAP_DID_FINISH_LAUNCHING"
ACTIVATED = "BRINDLECAP_ACTIVATION_REQUESTED"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)
    return condition


class Instance:
    """A running first instance and everything it has printed so far."""

    def __init__(self, env):
        self.process = subprocess.Popen([BINARY], env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        self.output = ""

    def count(self, marker):
        return self.output.splitlines().count(marker)

    def wait_for(self, marker, occurrences=1, timeout=20.0):
        deadline = time.monotonic() + timeout
        while self.count(marker) < occurrences and time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], 0.2)
            if ready:
                chunk = os.read(self.process.stdout.fileno(), 4096)
                if not chunk:
                    break
                self.output += chunk.decode(errors="replace")
            elif self.process.poll() is not None:
                break
        return self.count(marker) >= occurrences

    def stop(self, sig=signal.SIGTERM):
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            code = self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()
        return code


def private_bus(folder):
    """A session bus of our own; returns (process, address)."""
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                               "--address=unix:path=" + os.path.join(folder, "bus")],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = daemon.stdout.readline().decode().strip()
    if not address:
        daemon.kill()
        daemon.wait()
        raise SystemExit("dbus-daemon did not start")
    return daemon, address


def environment(home, bus_address):
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="offscreen",
               BRINDLECAP_DIAGNOSTICS="1", DBUS_SESSION_BUS_ADDRESS=bus_address)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SYSTEM_BUS_ADDRESS"):
        env.pop(name, None)
    return env


def timers_file(home):
    return os.path.join(home, ".local", "share", "Brindlecap", "timers.json")


def file_state(path):
    info = os.stat(path)
    return (info.st_ino, info.st_mtime_ns, info.st_size)


def run_second(env, label):
    """Starts a second instance, which must leave by itself."""
    try:
        result = subprocess.run([BINARY], env=env, capture_output=True, timeout=30)
    except subprocess.TimeoutExpired:
        check(False, f"{label}: second instance did not exit")
        return None
    out = result.stdout.decode(errors="replace")
    check(result.returncode == 0,
          f"{label}: second instance exits 0 (got {result.returncode}); "
          f"stderr: {result.stderr.decode(errors='replace')[:500]}")
    check(LAUNCHED not in out, f"{label}: second instance did not launch: {out[:300]}")
    return result


def activation_round(first, env, home, label, activations_before=0):
    """A second start activates `first` and leaves the timers file alone."""
    path = timers_file(home)
    if not check(os.path.exists(path), f"{label}: first instance wrote the timers file"):
        return
    before = file_state(path)
    run_second(env, label)
    check(first.wait_for(ACTIVATED, activations_before + 1),
          f"{label}: first instance reports the activation: {first.output[-300:]}")
    check(file_state(path) == before, f"{label}: second instance left the timers file alone")
    check(first.process.poll() is None, f"{label}: first instance still runs")


def dbus_send(address, *args):
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
    return subprocess.run(["dbus-send", "--session", "--print-reply", *args], env=env,
                          capture_output=True, timeout=30)


def scenario_session_bus():
    with tempfile.TemporaryDirectory() as home:
        daemon, address = private_bus(home)
        try:
            env = environment(home, address)
            first = Instance(env)
            check(first.wait_for(LAUNCHED), "bus: first instance launches")
            owner = dbus_send(address, "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus.NameHasOwner", "string:" + APP_ID)
            check(b"boolean true" in owner.stdout, f"bus: {APP_ID} is owned: {owner.stdout!r}")
            activation_round(first, env, home, "bus")

            # The interface other programs (a launcher, a script) can call directly.
            reply = dbus_send(address, "--dest=" + APP_ID, "/org/brindlecap/Brindlecap",
                              APP_ID + ".Activate")
            check(reply.returncode == 0, f"bus: Activate answers: {reply.stderr!r}")
            check(first.wait_for(ACTIVATED, 2), "bus: Activate over dbus-send reaches the app")

            # Killed without a chance to clean up: the bus drops the name, the kernel the lock.
            first.stop(signal.SIGKILL)
            successor = Instance(env)
            check(successor.wait_for(LAUNCHED), "bus: starts again after the first was killed")
            activation_round(successor, env, home, "bus after kill")
            check(successor.stop() == 0, "bus: successor exits 0")
        finally:
            daemon.terminate()
            daemon.wait()


def scenario_without_bus():
    with tempfile.TemporaryDirectory() as home:
        env = environment(home, "unix:path=" + os.path.join(home, "no-bus-here"))
        runtime = env["XDG_RUNTIME_DIR"]
        first = Instance(env)
        check(first.wait_for(LAUNCHED), "no bus: first instance launches")
        check(os.path.exists(os.path.join(runtime, APP_ID + ".lock")), "no bus: lock file")
        socket_path = os.path.join(runtime, APP_ID + ".socket")
        check(os.path.exists(socket_path), "no bus: activation socket")
        activation_round(first, env, home, "no bus")
        activation_round(first, env, home, "no bus, again", activations_before=1)

        # SIGKILL leaves the socket file behind; the next first instance must not trip over it.
        first.stop(signal.SIGKILL)
        check(os.path.exists(socket_path), "no bus: the killed instance left its socket")
        successor = Instance(env)
        check(successor.wait_for(LAUNCHED), "no bus: starts again over a stale socket")
        activation_round(successor, env, home, "no bus after kill")
        check(successor.stop() == 0, "no bus: successor exits 0")
        check(not os.path.exists(socket_path), "no bus: a normal exit removes the socket")

        third = Instance(env)
        check(third.wait_for(LAUNCHED), "no bus: starts again after a normal exit")
        check(third.stop() == 0, "no bus: third exits 0")


def scenario_mixed():
    """Started once with the bus and once without (a terminal without the session's variables):
    still one instance, since both share the same timers file."""
    with tempfile.TemporaryDirectory() as home:
        daemon, address = private_bus(home)
        try:
            with_bus = environment(home, address)
            without_bus = environment(home, "unix:path=" + os.path.join(home, "no-bus-here"))
            for label, first_env, second_env in (("bus first", with_bus, without_bus),
                                                 ("lock first", without_bus, with_bus)):
                first = Instance(first_env)
                check(first.wait_for(LAUNCHED), f"{label}: first instance launches")
                activation_round(first, second_env, home, label)
                check(first.stop() == 0, f"{label}: first instance exits 0")
        finally:
            daemon.terminate()
            daemon.wait()


for tool in ("dbus-daemon", "dbus-send"):
    if shutil.which(tool) is None:
        print(f"FAIL: {tool} is missing (package dbus-daemon / dbus-bin)")
        sys.exit(1)

scenario_session_bus()
scenario_without_bus()
scenario_mixed()
sys.exit(1 if failures else 0)
