#!/usr/bin/env bash
# Starts the program under Xvfb and saves a screenshot of its main window: tools/screenshot.sh OUT.png [BINARY]
set -euo pipefail
out=${1:-docs/main-window.png}
binary=${2:-build/release/app/salvenor}
display=:$((90 + RANDOM % 9))

Xvfb "$display" -screen 0 900x650x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$program" "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

DISPLAY=$display QT_QPA_PLATFORM=xcb "$binary" >/dev/null 2>&1 &
program=$!
window=
for _ in $(seq 100); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Salvenor 2016  - ' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
# Close a splash window, if one shows, with a key press.
DISPLAY=$display xdotool key x >/dev/null 2>&1 || true
sleep "${SCREENSHOT_DELAY:-1.5}"
mkdir -p "$(dirname "$out")"
DISPLAY=$display import -window "${window:-root}" "$out"
echo "saved $out"
