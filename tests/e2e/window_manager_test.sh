#!/usr/bin/env bash
# The real program under a real window manager (metacity, GNOME's, as users have one): a hint
# window belongs to the main window (WM_TRANSIENT_FOR) and stays above it when the main window is
# raised and clicked; after Esc on it the keyboard is back on the button that opened it; the
# resizable hint is never smaller than its design; each window's whole frame is centred on the
# monitor where the program was started, also when the window is scaled down to fit it at 200 %.
# Usage: window_manager_test.sh PROGRAM
set -uo pipefail
program=$1
source "$(dirname "$0")/common.sh"
work=$(mktemp -d)
use_temporary_home "$work"
xvfb=
program_pid=
wm_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    # metacity ends with the X server, and its session bus with it (killed, the bus would stay).
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    remove_after "$work" $program_pid $wm_pid $xvfb
}
trap cleanup EXIT

# Two monitors side by side, the pointer on the right one: the program opens there.
start_xvfb "$work" 2560x1024 || { echo "FAILED: Xvfb did not start"; exit 1; }
xrandr --setmonitor left 1280/338x1024/270+0+0 screen >/dev/null
xrandr --setmonitor right 1280/338x1024/270+1280+0 none >/dev/null
xdotool mousemove 1900 500
monitor="1280 0 1280 1024" # x y width height
start_window_manager "$work" || { echo "FAILED: metacity did not start"; exit 1; }

start_program_past_splash "$program" "$work" || { cat "$work/program.log"; echo "FAILED: no main window"; exit 1; }
main=$window
hint_window() { xdotool search --onlyvisible --name '^Informationen$' 2>/dev/null | head -n 1; }
wait_for_hint() {
    for _ in $(seq 50); do [ -n "$(hint_window)" ] && return 0; sleep 0.1; done
    return 1
}
stacked_above() { # window $1 stands above window $2 in the window manager's stacking order
    local list
    list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*#//; s/,//g')
    local above below position=0 i
    for i in $list; do
        position=$((position + 1))
        [ "$((i))" = "$1" ] && above=$position
        [ "$((i))" = "$2" ] && below=$position
    done
    [ -n "${above:-}" ] && [ -n "${below:-}" ] && [ "$above" -gt "$below" ]
}

# The window manager's whole frame, title bar and all, stands in the middle of the pointer's
# monitor (metacity's work area is that of both).
frame_centred() {
    read -r x y w h l r t b <<<"$(window_and_frame "$1")"
    read -r ax ay aw ah <<<"$monitor"
    awk -v x="$x" -v y="$y" -v w="$w" -v h="$h" -v l="$l" -v r="$r" -v t="$t" -v b="$b" \
        -v ax="$ax" -v ay="$ay" -v aw="$aw" -v ah="$ah" 'BEGIN {
        dx = (x - l + x + w + r) / 2 - (ax + aw / 2); dy = (y - t + y + h + b) / 2 - (ay + ah / 2)
        inside = x - l >= ax && y - t >= ay && x + w + r <= ax + aw && y + h + b <= ay + ah
        printf "frame %sx%s, its centre off by %s,%s px, %s the monitor\n", w + l + r, h + t + b, dx, dy, inside ? "inside" : "beyond"
        exit !(dx * dx <= 1 && dy * dy <= 1 && inside)
    }'
}
check "the main window's frame is centred on the pointer's monitor" frame_centred "$main"

# From the adults' count back to the first hint button ("Kurbeitrag"), which Return presses.
sleep 0.5
xdotool key --delay 60 shift+Tab shift+Tab shift+Tab shift+Tab Return
check "the hint opens" wait_for_hint
hint=$(hint_window)
check "the hint's frame is centred on its main window's monitor" frame_centred "$hint"
check "the hint belongs to the main window (WM_TRANSIENT_FOR)" \
    test "$(xprop -id "$hint" WM_TRANSIENT_FOR | sed 's/.*# //')" = "$(printf '0x%x' "$main")"
xdotool windowraise "$main"
xdotool mousemove --window "$main" 60 60 click 1
sleep 0.5
check "raising and clicking the main window leaves the hint above it" stacked_above "$hint" "$main"
xdotool windowsize "$hint" 120 40
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$hint")"
check "the resizable hint keeps its design size at least ($WIDTH x $HEIGHT)" test "$WIDTH" -ge 359 -a "$HEIGHT" -ge 198
xdotool key Escape
for _ in $(seq 30); do [ -z "$(hint_window)" ] && break; sleep 0.1; done
check "Esc closes the hint" test -z "$(hint_window)"
# The keyboard is back on the button: Return opens the hint again.
sleep 0.3
xdotool key Return
check "after Esc the keyboard is back on the button that opened the hint" wait_for_hint
xdotool key Escape
sleep 0.3

kill "$program_pid" 2>/dev/null
wait "$program_pid" 2>/dev/null
# Scaled to 200 %, the design (1308 x 1064) would not fit the screen: scaled down as far as it
# must, the whole frame stands in the work area.
QT_SCALE_FACTOR=2 start_program_past_splash "$program" "$work" || { cat "$work/program.log"; echo "FAILED: no main window at 200 %"; exit 1; }
check "at 200 % the main window's whole frame fits, centred on the monitor" frame_centred "$window"
kill "$program_pid" 2>/dev/null
echo "$failures failed"
[ "$failures" -eq 0 ]
