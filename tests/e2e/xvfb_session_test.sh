#!/usr/bin/env bash
# The real program on a real X server under a window manager (metacity), driven by real input:
# start, close the splash with a key, wait for the main window, quit through the keyboard menu
# path Alt+D, B, and read the settings file it wrote.
# Usage: xvfb_session_test.sh PROGRAM [SCREEN [SCALE]], SCREEN as WIDTHxHEIGHT,
# SCALE as the desktop sets it: Xft.dpi=DPI or QT_SCALE_FACTOR=FACTOR. The whole window stays on the
# screen, scaled down as far as it must; where it fits as designed it keeps its design size.
set -euo pipefail
program=$1
screen=${2:-1024x768}
scale=${3:-}
source "$(dirname "$0")/common.sh"
work=$(mktemp -d)
use_temporary_home "$work"
xvfb=
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work" "$screen" || { echo "FAIL: Xvfb did not start"; exit 1; }
start_window_manager "$work" || { echo "FAIL: metacity did not start"; exit 1; }

fail() {
    echo "FAIL: $*"
    cat "$work/program.log" 2>/dev/null | head -n 60
    exit 1
}
main_window() { xdotool search --onlyvisible --name '^Salvenor 2016  - ' 2>/dev/null | head -n 1; }

case $scale in
Xft.dpi=*) xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "${scale#*=}")" ;;
QT_SCALE_FACTOR=*) export QT_SCALE_FACTOR=${scale#*=} ;;
esac
QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
pid=$!

# The splash comes first; the main window stays hidden while it shows.
splash=
for _ in $(seq 200); do
    splash=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) && [ -n "$splash" ] && break
    sleep 0.01
done
[ -n "$splash" ] || fail "no splash window"
[ -z "$(main_window)" ] || fail "main window visible while the splash shows"
started=$(date +%s%N)
sleep 0.3
xdotool key a

window=
for _ in $(seq 300); do
    window=$(main_window) && [ -n "$window" ] && break
    sleep 0.01
done
[ -n "$window" ] || fail "no main window after the key press"
elapsed=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed" -lt 2500 ] || fail "the splash waited for its timer ($elapsed ms) instead of closing on the key"
echo "main window $window after the key press"
# The window itself, and the window manager's frame around it.
read -r X Y WIDTH HEIGHT left right top bottom <<<"$(window_and_frame "$window")"
echo "at $X,$Y, $WIDTH x $HEIGHT, frame $left $right $top $bottom, on a $screen screen"
[ $((X - left)) -ge 0 ] && [ $((Y - top)) -ge 0 ] || fail "the window's corner lies off the screen"
# Scaled down as far as it must, never below the design's own size (Qt draws a window at a smaller
# scale only in part): on a screen smaller than the design the top-left corner stays in view.
# The design's size: its client area (asked of the design table) and the platform's menu bar.
read -r _ design_w design_h <<<"$("${SALVENOR_WINDOW_DESIGN:?set it to the window_design program of the build}" | grep '^client ')"
if [ -z "$scale" ]; then
    menu=$((HEIGHT - design_h))
    [ "$menu" -gt 10 ] && [ "$menu" -lt 40 ] || fail "the window is $WIDTH x $HEIGHT: no menu bar above a client area of $design_w x $design_h"
    design_h=$((design_h + menu))
fi
if [ "${screen%x*}" -ge $((design_w + left + right)) ] && [ "${screen#*x}" -ge $((design_h + top + bottom)) ] || [ -n "$scale" ]; then
    [ $((X + WIDTH + right)) -le "${screen%x*}" ] && [ $((Y + HEIGHT + bottom)) -le "${screen#*x}" ] ||
        fail "the window reaches beyond the screen"
else
    [ "$WIDTH" -eq "$design_w" ] && [ "$HEIGHT" -eq "$design_h" ] || fail "on a small screen the window is $WIDTH x $HEIGHT, not its design's $design_w x $design_h"
fi
if [ -z "$scale" ] && [ "${screen%x*}" -ge "$design_w" ] && [ "${screen#*x}" -ge "$design_h" ]; then
    [ "$WIDTH" -eq "$design_w" ] && [ "$HEIGHT" -eq "$design_h" ] || fail "the window fits as designed but is $WIDTH x $HEIGHT, not $design_w x $design_h"
fi

sleep 0.5
xdotool key alt+d
sleep 0.3
xdotool key b
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$pid" 2>/dev/null; then fail "the program did not end through Alt+D, B"; fi
wait "$pid" && status=0 || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status"

settings="$XDG_CONFIG_HOME/Salvenor 2016.ini"
[ -f "$settings" ] || fail "no settings file at $settings"
cat "$settings"
grep -qx '\[Settings\]' "$settings" || fail "no [Settings] group"
for key in MainLeft MainTop MainWidth MainHeight; do
    grep -Eq "^$key=-?[0-9]+$" "$settings" || fail "no whole-twips value for $key"
done
grep -qx 'MainWidth=9810' "$settings" || fail "outer width is not the design's 9810 twips"
echo "1 passed, 0 failed"
