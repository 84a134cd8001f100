#!/usr/bin/env python3
"""Starts the real binary in a fresh home, as a desktop session would, and ends it with signals.

Checks the launch marker, the pruning and saving of the timers file at start, the final save on
SIGTERM and SIGINT, the private file modes, that an unreadable timers file is kept aside, and that
the binary explains itself instead of crashing when there is no display.
Usage: launch_and_terminate.py <path to brindlecap>
"""
import json
import os
import select
import signal
import stat
import subprocess
import sys
import tempfile
import time
import uuid

BINARY = sys.argv[1]
REFERENCE = 978307200.0  # Unix time of 2001-01-01, the timers file's epoch
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def timer(title, seconds_from_now):
    now = time.time() - REFERENCE
    return {"id": str(uuid.uuid4()).upper(), "title": title, "createdAt": now - 7200,
            "fireDate": now + seconds_from_now}


def environment(home, **extra):
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="offscreen",
               BRINDLECAP_DIAGNOSTICS="1")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env.update(extra)
    return env


def start(env):
    return subprocess.Popen([BINARY], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def wait_for_line(process, marker, timeout=20.0):
    deadline = time.monotonic() + timeout
    buffer = b""
    while time.monotonic() < deadline:
        ready, _, _ = select.select([process.stdout], [], [], 0.2)
        if ready:
            chunk = os.read(process.stdout.fileno(), 4096)
            if not chunk:
                break
            buffer += chunk
            if marker.encode() + b"\n" in buffer:
                return buffer.decode()
        elif process.poll() is not None:
            break
    return None


def stop(process, sig):
    process.send_signal(sig)
    try:
        return process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def scenario_prune_and_final_save(sig):
    with tempfile.TemporaryDirectory() as home:
        folder = os.path.join(home, ".local", "share", "Brindlecap")
        os.makedirs(folder)
        path = os.path.join(folder, "timers.json")
        old, recent, future = timer("old", -2 * 86400), timer("recent", -3600), timer("Чай", 600)
        with open(path, "w", encoding="utf-8") as f:
            json.dump([old, recent, future], f)

        process = start(environment(home))
        output = wait_for_line(process, "BRINDLECAP_DID_FINISH_LAUNCHING")
        check(output is not None, f"launch marker not seen ({sig.name})")
        if output is not None:
            check(output.count("BRINDLECAP_DID_FINISH_LAUNCHING") == 1, "launch marker printed once")
        with open(path, encoding="utf-8") as f:
            saved = json.load(f)
        check([t["title"] for t in saved] == ["recent", "Чай"], f"pruned at start: {saved}")

        # Overwrite behind the application's back: only its final save can restore the content.
        with open(path, "w") as f:
            f.write("[]")
        code = stop(process, sig)
        check(code == 0, f"{sig.name} exits 0 (got {code}); stderr: {process.stderr.read()[:500]}")
        with open(path, encoding="utf-8") as f:
            final = json.load(f)
        check([t["title"] for t in final] == ["recent", "Чай"], f"final save on {sig.name}: {final}")
        check(stat.S_IMODE(os.stat(path).st_mode) == 0o600, "timers file is 0600")


def scenario_fresh_home():
    with tempfile.TemporaryDirectory() as home:
        process = start(environment(home))
        check(wait_for_line(process, "BRINDLECAP_DID_FINISH_LAUNCHING") is not None,
              "launch marker in a fresh home")
        check(stop(process, signal.SIGTERM) == 0, "fresh home exits 0")
        folder = os.path.join(home, ".local", "share", "Brindlecap")
        path = os.path.join(folder, "timers.json")
        check(os.path.exists(path), "fresh home: timers file written at start")
        if os.path.exists(path):
            with open(path) as f:
                check(f.read() == "[]", "fresh home: empty array")
            check(stat.S_IMODE(os.stat(path).st_mode) == 0o600, "fresh timers file is 0600")
            check(stat.S_IMODE(os.stat(folder).st_mode) == 0o700, "fresh data folder is 0700")


def scenario_unreadable_file_kept_aside():
    with tempfile.TemporaryDirectory() as home:
        data_home = os.path.join(home, "data")
        folder = os.path.join(data_home, "Brindlecap")
        os.makedirs(folder)
        path = os.path.join(folder, "timers.json")
        with open(path, "w") as f:
            f.write('[{"id": "broken"')
        process = start(environment(home, XDG_DATA_HOME=data_home))
        check(wait_for_line(process, "BRINDLECAP_DID_FINISH_LAUNCHING") is not None,
              "launch marker with a corrupt file")
        check(stop(process, signal.SIGTERM) == 0, "exit 0 with a corrupt file")
        kept = [n for n in os.listdir(folder) if n.startswith("timers.unreadable-")]
        check(len(kept) == 1, f"corrupt file kept aside: {os.listdir(folder)}")
        if kept:
            with open(os.path.join(folder, kept[0])) as f:
                check(f.read() == '[{"id": "broken"', "kept copy is byte for byte the original")
        with open(path) as f:
            check(json.load(f) == [], "store starts empty")


def scenario_drag_animation_ends_by_itself():
    with tempfile.TemporaryDirectory() as home:
        env = environment(home, BRINDLECAP_DIAGNOSTICS="drag_animation")
        result = subprocess.run([BINARY], env=env, capture_output=True, timeout=60)
        out = result.stdout.decode()
        check(result.returncode == 0, f"drag_animation exits 0 by itself (got {result.returncode})")
        check(out.count("BRINDLECAP_DISPLAY_LINK screenFPS=") == 1, f"one display-link line: {out}")
        metrics = [l for l in out.splitlines() if l.startswith("BRINDLECAP_DRAG_METRICS screen={{")]
        check(len(metrics) == 1 and " frames=0 " not in metrics[0], f"one metrics line: {out}")


def scenario_no_display():
    with tempfile.TemporaryDirectory() as home:
        env = environment(home)
        env.pop("QT_QPA_PLATFORM")
        result = subprocess.run([BINARY], env=env, capture_output=True, timeout=30)
        check(result.returncode not in (0, -signal.SIGABRT, 134),
              f"no display: clear failure, not a crash (got {result.returncode})")
        check(b"display" in result.stderr.lower(), f"no display: says why: {result.stderr[:300]}")


scenario_prune_and_final_save(signal.SIGTERM)
scenario_prune_and_final_save(signal.SIGINT)
scenario_fresh_home()
scenario_unreadable_file_kept_aside()
scenario_drag_animation_ends_by_itself()
scenario_no_display()
sys.exit(1 if failures else 0)
