#!/usr/bin/env python3
"""One instance per user: a second start asks the first to show itself and leaves (exit 0, timers
file untouched), with a private session bus, without any bus and with one of each; the bus
interface answers Activate; a first instance killed with SIGKILL does not block the next start.
Usage: single_instance.py <path to brindlecap>
"""
import os
import signal
import subprocess
import sys

from desktop import App, Desktop, check, finish, timers_path

BINARY = sys.argv[1]
APP_ID = "org.brindlecap.Brindlecap"
LAUNCHED = "BRINDLECAP_DID_FINISH_LAUNCHING"
ACTIVATED = "BRINDLECAP_ACTIVATION_REQUESTED"


def activation_round(first, env, label, activations_before=0):
    """A second start activates `first`, leaves by itself and leaves the timers file alone."""
    path = timers_path(first.home)
    if not check(os.path.exists(path), f"{label}: first instance wrote the timers file"):
        return
    info = os.stat(path)
    before = (info.st_ino, info.st_mtime_ns, info.st_size)
    try:
        result = subprocess.run([BINARY], env=env, capture_output=True, timeout=30)
        check(result.returncode == 0, f"{label}: second instance exits 0 "
              f"(got {result.returncode}): {result.stderr.decode(errors='replace')[:500]}")
        check(LAUNCHED not in result.stdout.decode(errors="replace"),
              f"{label}: second instance did not launch")
    except subprocess.TimeoutExpired:
        check(False, f"{label}: second instance did not exit")
    check(first.line(ACTIVATED, activations_before + 1),
          f"{label}: first instance reports the activation: {first.lines[-5:]}")
    info = os.stat(path)
    check((info.st_ino, info.st_mtime_ns, info.st_size) == before,
          f"{label}: second instance left the timers file alone")
    check(first.process.poll() is None, f"{label}: first instance still runs")


def dbus_send(desktop, *args):
    return subprocess.run(["dbus-send", "--session", "--print-reply", *args], env=desktop.env,
                          capture_output=True, timeout=30)


def scenario_session_bus():
    with Desktop(notifications=False, x=False) as desktop:
        env = desktop.app_env(diagnostics="1")
        first = App(BINARY, desktop, diagnostics="1")
        check(first.line(LAUNCHED), "bus: first instance launches")
        owner = dbus_send(desktop, "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus.NameHasOwner", "string:" + APP_ID)
        check(b"boolean true" in owner.stdout, f"bus: {APP_ID} is owned: {owner.stdout!r}")
        activation_round(first, env, "bus")

        # The interface other programs (a launcher, a script) can call directly.
        reply = dbus_send(desktop, "--dest=" + APP_ID, "/org/brindlecap/Brindlecap",
                          APP_ID + ".Activate")
        check(reply.returncode == 0, f"bus: Activate answers: {reply.stderr!r}")
        check(first.line(ACTIVATED, 2), "bus: Activate over dbus-send reaches the app")

        # Killed without a chance to clean up: the bus drops the name, the kernel the lock.
        first.stop(signal.SIGKILL)
        successor = App(BINARY, desktop, diagnostics="1")
        check(successor.line(LAUNCHED), "bus: starts again after the first was killed")
        activation_round(successor, env, "bus after kill")
        check(successor.stop() == 0, "bus: successor exits 0")

        # Started once with the bus and once without (a terminal without the session's
        # variables): still one instance, since both share the same timers file.
        for label, first_bus in (("bus first", True), ("lock first", False)):
            first = App(BINARY, desktop, diagnostics="1", bus=first_bus)
            check(first.line(LAUNCHED), f"{label}: first instance launches")
            activation_round(first, desktop.app_env(diagnostics="1", bus=not first_bus), label)
            check(first.stop() == 0, f"{label}: first instance exits 0")


def scenario_without_bus():
    with Desktop(bus=False, x=False) as desktop:
        env = desktop.app_env(diagnostics="1")
        first = App(BINARY, desktop, diagnostics="1")
        check(first.line(LAUNCHED), "no bus: first instance launches")
        check(os.path.exists(os.path.join(desktop.runtime, APP_ID + ".lock")), "no bus: lock file")
        socket_path = os.path.join(desktop.runtime, APP_ID + ".socket")
        check(os.path.exists(socket_path), "no bus: activation socket")
        modes = [oct(os.stat(p).st_mode & 0o777) for p in
                 (desktop.runtime, socket_path, os.path.join(desktop.runtime, APP_ID + ".lock"))]
        check(modes == ["0o700", "0o600", "0o600"], f"no bus: folder, socket and lock private: {modes}")
        activation_round(first, env, "no bus")
        activation_round(first, env, "no bus, again", activations_before=1)

        # SIGKILL leaves the socket file behind; the next first instance must not trip over it.
        first.stop(signal.SIGKILL)
        check(os.path.exists(socket_path), "no bus: the killed instance left its socket")
        successor = App(BINARY, desktop, diagnostics="1")
        check(successor.line(LAUNCHED), "no bus: starts again over a stale socket")
        activation_round(successor, env, "no bus after kill")
        check(successor.stop() == 0, "no bus: successor exits 0")
        check(not os.path.exists(socket_path), "no bus: a normal exit removes the socket")


scenario_session_bus()
scenario_without_bus()
finish("single instance")
