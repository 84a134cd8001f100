#!/usr/bin/env bash
# The application's footprint beside a bare Qt program (bench/QtFloor.cpp) on the same desktop:
# Xvfb 1440 x 900 with trayer and a private session bus per run, the two started one after the
# other (the order alternating between runs), medians over the runs of: exec to docked in the tray,
# RSS and PSS 10 s after start, CPU time and context switches of all threads over a window with the
# timers running, RSS after the list and a completion banner have been shown, and SIGTERM to exit.
# On demand only (minutes long). Knobs: RUNS (3), WINDOW seconds (60), TIMERS (1; the first is
# 30 minutes away, the others later), LIST=1 keeps the list open during the window; APP and
# FLOOR name other binaries.
# Usage: bench/footprint.sh [build directory, default build/default]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/default}" && pwd)
exec python3 - "$here" "$build" <<'PY'
import os, signal, statistics, subprocess, sys, threading, time

here, build = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(here, "..", "tests", "e2e"))
import desktop  # noqa: E402

RUNS = int(os.environ.get("RUNS", "3"))
WINDOW = float(os.environ.get("WINDOW", "60"))
TIMERS = int(os.environ.get("TIMERS", "1"))
LIST = os.environ.get("LIST") == "1"
APP = os.environ.get("APP", os.path.join(build, "src", "brindlecap"))
FLOOR = os.environ.get("FLOOR", os.path.join(build, "bench", "brindlecap_qt_floor"))
PROGRAMS = {"Qt floor": FLOOR, "Brindlecap": APP}


class Reparents:
    """The moments windows leave the root window (a tray taking an icon), seen by xev."""

    def __init__(self, env):
        self.process = subprocess.Popen(["xev", "-root", "-event", "substructure"],
                                        env={**env, "LC_ALL": "C"}, stderr=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, text=True)
        self.moments = []
        threading.Thread(target=self._read, daemon=True).start()
        time.sleep(0.5)

    def _read(self):
        for line in self.process.stdout:
            if line.startswith("ReparentNotify"):
                self.moments.append(time.monotonic())

    def first_after(self, began):
        found = desktop.wait_for(lambda: [t for t in self.moments if t > began], timeout=120)
        if not found:
            raise SystemExit("no icon docked")
        return (found[0] - began) * 1000


def start(name, env, reparents):
    began = time.monotonic()
    process = subprocess.Popen([PROGRAMS[name]], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    docked = reparents.first_after(began)
    time.sleep(1)  # settle before the next one starts
    return process, began, docked


def memory(pid):
    values = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if parts[0] in ("Rss:", "Pss:"):
                values[parts[0][:-1]] = int(parts[1]) / 1024
    return values["Rss"], values["Pss"]


def usage(pid):
    """CPU nanoseconds and context switches summed over the threads alive now."""
    cpu = switches = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                cpu += int(f.read().split()[0])
            with open(f"/proc/{pid}/task/{task}/status") as f:
                switches += sum(int(l.split()[1]) for l in f if "ctxt_switches" in l)
        except OSError:
            pass
    return cpu, switches


def stop(process):
    began = time.monotonic()
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return float("inf")
    return (time.monotonic() - began) * 1000


def run(index):
    results = {}
    with desktop.Desktop(bus=True, notifications=True, tray=True) as d:
        desktop.seed_settings(d.home, hasCompletedOnboarding="true")
        desktop.seed_timers(d.home, [desktop.timer(f"bench {i}", 1800 + 60 * i)
                                     for i in range(TIMERS)])
        env = d.app_env()
        reparents = Reparents(env)
        order = list(PROGRAMS) if index % 2 == 0 else list(reversed(PROGRAMS))
        running = {}
        for name in order:
            running[name] = start(name, env, reparents)
        time.sleep(max(0.0, running[order[-1]][1] + 10 - time.monotonic()))
        for name, (process, began, docked) in running.items():
            rss, pss = memory(process.pid)
            results[name] = {"docked": docked, "rss": rss, "pss": pss}
        command = lambda *args: subprocess.run([APP, *args], env=env, capture_output=True)
        if LIST:
            command("toggle-list")
        before = {name: usage(p.pid) for name, (p, _, _) in running.items()}
        time.sleep(WINDOW)
        for name, (process, _, _) in running.items():
            cpu, switches = usage(process.pid)
            results[name]["cpu"] = (cpu - before[name][0]) / 1e6 * 60 / WINDOW
            results[name]["switches"] = (switches - before[name][1]) * 60 / WINDOW
        # The list opened and closed, then a completion with its banner.
        if not LIST:
            command("toggle-list")
        time.sleep(1)
        command("toggle-list")
        command("add", "2s", "bench banner")
        time.sleep(5)
        for name, (process, _, _) in running.items():
            results[name]["rss after"] = memory(process.pid)[0]
            results[name]["exit"] = stop(process)
        reparents.process.terminate()
    return results


COLUMNS = [("docked", "start→docked ms", "{:.1f}"), ("rss", "RSS MB", "{:.1f}"),
           ("pss", "PSS MB", "{:.1f}"), ("cpu", "CPU ms/min", "{:.1f}"),
           ("switches", "ctx sw/min", "{:.0f}"), ("rss after", "RSS after list+banner", "{:.1f}"),
           ("exit", "SIGTERM→exit ms", "{:.0f}")]

runs = []
for i in range(RUNS):
    runs.append(run(i))
    print(f"run {i + 1}: " + "; ".join(
        f"{name}: " + ", ".join(fmt.format(r[key]) for key, _, fmt in COLUMNS)
        for name, r in runs[-1].items()), flush=True)

print(f"\n{RUNS} runs, {TIMERS} timer(s), window {WINDOW:.0f} s{', list open' if LIST else ''}; "
      "medians")
print(f"{'':12}" + "".join(f"{title:>23}" for _, title, _ in COLUMNS))
median = {name: {key: statistics.median(r[name][key] for r in runs) for key, _, _ in COLUMNS}
          for name in PROGRAMS}
for name in PROGRAMS:
    print(f"{name:12}" + "".join(f"{fmt.format(median[name][key]):>23}" for key, _, fmt in COLUMNS))
floor, app = median["Qt floor"], median["Brindlecap"]
cells = []
for key, _, _ in COLUMNS:
    ratio = app[key] / floor[key] if floor[key] else float("inf")
    cells.append(f"{ratio:.2f}× ({app[key] - floor[key]:+.1f})")
print(f"{'vs floor':12}" + "".join(f"{c:>23}" for c in cells))
PY
