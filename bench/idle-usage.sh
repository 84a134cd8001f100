#!/usr/bin/env bash
# Measures the idle application: CPU use and wake-ups (context switches of all its threads) over
# a window, read from /proc. Target: about one wake-up a second and under 0.1 % of a core.
# With ONE_TIMER=1 a timer an hour away runs meanwhile, so the icon counts down.
# Usage: [DISPLAY=…] [ONE_TIMER=1] bench/idle-usage.sh <path to brindlecap> [seconds, default 60]
set -euo pipefail
binary="$1"
window="${2:-60}"
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
if [ "${ONE_TIMER:-0}" = 1 ]; then
  mkdir -p "$home/.local/share/Brindlecap"
  now=$(date +%s.%N)
  awk -v now="$now" 'BEGIN { t = now - 978307200;
    printf "[{\"id\":\"7E57AB1E-0000-4000-8000-000000000001\",\"title\":\"bench\",\"createdAt\":%.3f,\"fireDate\":%.3f}]", t, t + 3600 }' \
    > "$home/.local/share/Brindlecap/timers.json"
fi
HOME="$home" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-$([ -n "${DISPLAY:-}" ] && echo xcb || echo offscreen)}" \
  "$binary" >/dev/null 2>&1 &
pid=$!
sleep 3  # let start-up settle

sample() {
  local ticks switches=0
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  for task in /proc/"$pid"/task/*; do
    switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$task/status")))
  done
  echo "$ticks $switches"
}

read -r ticks0 switches0 < <(sample)
sleep "$window"
read -r ticks1 switches1 < <(sample)
hz=$(getconf CLK_TCK)
awk -v t="$((ticks1 - ticks0))" -v s="$((switches1 - switches0))" -v w="$window" -v hz="$hz" \
  'BEGIN { printf "idle over %d s: CPU %.3f %% of a core, %.2f wake-ups/s (%d context switches)\n",
           w, 100 * t / hz / w, s / w, s }'
