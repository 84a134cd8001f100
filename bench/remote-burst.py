#!/usr/bin/env python3
"""A burst of remote-control calls against a running instance on a fresh Xvfb desktop: CALLS
AddTimer requests (default 10000) over the single-instance socket from a few concurrent clients,
for at most SECONDS (default 120), while the icon is clicked about once a second. Prints the calls per second accepted, the time from
each click to the list's BRINDLECAP_LIST_SHOWN line, and whether every accepted timer is in the
timers file afterwards.
Usage: bench/remote-burst.py <path to brindlecap> [calls] [seconds]
"""
import json
import os
import socket
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from desktop import Desktop, read_timers, seed_settings, wait_for  # noqa: E402

BINARY = sys.argv[1]
CALLS = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 120
CLIENTS = 4
APP_ID = "org.brindlecap.Brindlecap"


def call(path, method, *arguments):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.connect(path)
        s.sendall(json.dumps({"method": method, "arguments": list(arguments)}).encode() + b"\n")
        answer = b""
        while not answer.endswith(b"\n"):
            chunk = s.recv(65536)
            if not chunk:
                break
            answer += chunk
    return json.loads(answer or b"{}")


def main():
    with Desktop(bus=False) as desktop:
        seed_settings(desktop.home, hasCompletedOnboarding="true")
        app = subprocess.Popen([BINARY], env=desktop.app_env(diagnostics="1"),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        lines = []  # (monotonic arrival, line)
        threading.Thread(target=lambda: [lines.append((time.monotonic(), l.strip()))
                                         for l in app.stdout], daemon=True).start()
        icon = desktop.icon()
        path = os.path.join(desktop.runtime, APP_ID + ".socket")
        if not icon or not wait_for(lambda: os.path.exists(path)):
            print("the instance did not come up")
            app.kill()
            return 1
        x, y = icon[0] + icon[2] // 2, icon[1] + icon[3] // 2

        accepted = []
        def client(first):
            for i in range(first, CALLS, CLIENTS):
                if time.monotonic() > started + SECONDS:
                    return
                if "result" in call(path, "AddTimer", 3600.0 + i, f"burst {i}"):
                    accepted.append(i)
        started = time.monotonic()
        workers = [threading.Thread(target=client, args=(n,)) for n in range(CLIENTS)]
        for worker in workers:
            worker.start()

        openings = []
        while any(worker.is_alive() for worker in workers):
            time.sleep(0.7)
            seen = sum(1 for _, l in lines if l.startswith("BRINDLECAP_LIST_SHOWN"))
            clicked = time.monotonic()
            desktop.xdotool("mousemove", x, y, "click", 1)
            shown = wait_for(lambda: next((t for t, l in lines[:]
                                           if l.startswith("BRINDLECAP_LIST_SHOWN")
                                           and t >= clicked), None), timeout=5)
            if shown and sum(1 for _, l in lines if l.startswith("BRINDLECAP_LIST_SHOWN")) > seen:
                openings.append((shown - clicked) * 1000)
            desktop.xdotool("mousemove", 700, 800, "click", 1)  # elsewhere: the list closes
        took = time.monotonic() - started
        time.sleep(TIMERS_SETTLE)

        saved = {t["title"] for t in read_timers(desktop.home) or []}
        missing = [i for i in accepted if f"burst {i}" not in saved]
        app.terminate()
        app.wait(timeout=30)
        print(f"calls: {CALLS} asked from {CLIENTS} clients, {len(accepted)} accepted in "
              f"{took:.1f} s ({len(accepted) / took:.0f}/s)")
        if openings:
            print(f"list opened during the burst: {len(openings)} times, median "
                  f"{statistics.median(openings):.0f} ms, max {max(openings):.0f} ms")
        print(f"accepted timers missing from the file: {len(missing)}")
        return 0 if not missing else 1


TIMERS_SETTLE = 1.0  # longer than the store's save window

sys.exit(main())
