#!/usr/bin/env python3
"""The real binary started offscreen and ended with signals: pruning at start and the final save on
SIGTERM and SIGINT, an unreadable timers file kept aside, the drag_animation mode ending by itself,
and a clear message instead of a crash without a display.
Usage: launch_and_terminate.py <path to brindlecap>
"""
import os
import signal
import subprocess
import sys

from desktop import App, Desktop, check, finish, read_timers, seed_timers, timer, timers_path

BINARY = sys.argv[1]
LAUNCHED = "BRINDLECAP_DID_FINISH_LAUNCHING"


def scenario_prune_and_final_save():
    with Desktop(bus=False, x=False) as desktop:
        path = timers_path(desktop.home)
        titles = lambda: [t["title"] for t in read_timers(desktop.home) or []]
        for sig in (signal.SIGTERM, signal.SIGINT):
            seed_timers(desktop.home, [timer("old", -2 * 86400, 7200),
                                       timer("recent", -3600, 7200), timer("Чай", 600, 7200)])
            app = App(BINARY, desktop, diagnostics="1")
            check(app.line(LAUNCHED), f"launch marker ({sig.name})")
            check(app.lines.count(LAUNCHED) == 1, "launch marker printed once")
            check(titles() == ["recent", "Чай"], f"pruned at start: {titles()}")
            # Overwritten behind its back: only the application's final save restores the content.
            with open(path, "w") as f:
                f.write("[]")
            code = app.stop(sig)
            check(code == 0, f"{sig.name} exits 0 (got {code})")
            check(titles() == ["recent", "Чай"], f"final save on {sig.name}: {titles()}")


def scenario_unreadable_file_drag_animation_and_no_display():
    with Desktop(bus=False, x=False) as desktop:
        desktop.env["XDG_DATA_HOME"] = os.path.join(desktop.root, "data")
        folder = os.path.join(desktop.root, "data", "Brindlecap")
        os.makedirs(folder)
        with open(os.path.join(folder, "timers.json"), "w") as f:
            f.write('[{"id": "broken"')
        app = App(BINARY, desktop, diagnostics="1")
        check(app.line(LAUNCHED), "launch marker with a corrupt file")
        check(app.stop() == 0, "exit 0 with a corrupt file")
        kept = [n for n in os.listdir(folder) if n.startswith("timers.unreadable-")]
        if check(len(kept) == 1, f"corrupt file kept aside: {os.listdir(folder)}"):
            with open(os.path.join(folder, kept[0])) as f:
                check(f.read() == '[{"id": "broken"', "kept copy is byte for byte the original")

        result = subprocess.run([BINARY], env=desktop.app_env(diagnostics="drag_animation"),
                                capture_output=True, timeout=60)
        out = result.stdout.decode()
        check(result.returncode == 0, f"drag_animation exits 0 by itself (got {result.returncode})")
        check(out.count("BRINDLECAP_DISPLAY_LINK screenFPS=") == 1, f"one display-link line: {out}")
        metrics = [l for l in out.splitlines() if l.startswith("BRINDLECAP_DRAG_METRICS screen={{")]
        check(len(metrics) == 1 and " frames=0 " not in metrics[0], f"one metrics line: {out}")

        env = desktop.app_env(diagnostics="1")
        env.pop("QT_QPA_PLATFORM")
        result = subprocess.run([BINARY], env=env, capture_output=True, timeout=30)
        check(result.returncode not in (0, -signal.SIGABRT, 134),
              f"no display: clear failure, not a crash (got {result.returncode})")
        check(b"display" in result.stderr.lower(), f"no display: says why: {result.stderr[:300]}")


scenario_prune_and_final_save()
scenario_unreadable_file_drag_animation_and_no_display()
finish("launch and terminate")
