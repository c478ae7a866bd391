#!/usr/bin/env bash
# Starts the program under Xvfb and saves a screenshot of the screen: tools/screenshot.sh OUT.png [BINARY]
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
for _ in $(seq 100); do
    DISPLAY=$display xdotool search --name '^Salvenor 2016  - ' >/dev/null 2>&1 && break
    sleep 0.1
done
# Close a splash window, if one shows, with a key press.
DISPLAY=$display xdotool key x >/dev/null 2>&1 || true
sleep "${SCREENSHOT_DELAY:-1.5}"
mkdir -p "$(dirname "$out")"
DISPLAY=$display import -window root "$out"
echo "saved $out"
