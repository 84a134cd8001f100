#!/usr/bin/env bash
# Runs the built-in drag benchmark on a 1440 x 900 Xvfb screen at 60 Hz and prints its
# BRINDLECAP_DISPLAY_LINK and BRINDLECAP_DRAG_METRICS lines. Targets: at least 85 frames in the
# 1.5 s run, no long frames, overlay updates under 1 ms on average.
# Usage: bench/drag-animation.sh <path to brindlecap>
set -euo pipefail
binary="$1"
home=$(mktemp -d)
display=":$((100 + RANDOM % 50))"
Xvfb "$display" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 1
mkdir -m 700 "$home/runtime"
DISPLAY="$display" HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
  BRINDLECAP_DIAGNOSTICS=drag_animation timeout 30 "$binary" | grep -E 'DISPLAY_LINK|DRAG_METRICS'
