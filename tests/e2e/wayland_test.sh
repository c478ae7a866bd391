#!/usr/bin/env bash
# The real program in a Wayland session: a headless Weston, once with XWayland and once without.
# With XWayland (WAYLAND_DISPLAY and DISPLAY set, no platform chosen) the program goes through
# XWayland by itself: its window is an X window, it speaks no Wayland, a maximise request leaves the
# fixed window's size, and SIGTERM ends it with its placement stored. Without XWayland it runs on
# Wayland: the application id is the desktop entry's name, the window's smallest and largest sizes
# are one, the print dialog opens over it (pressed over AT-SPI; the dialog's output file is shown),
# no protocol error comes, and SIGTERM, with the dialog open, stores no placement, as a compositor
# gives a window none.
# The user's own lines of the settings file stay in both. Usage: wayland_test.sh PROGRAM
set -uo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
in_own_session_bus "$@"
work=$(mktemp -d)
use_temporary_home "$work"
pids=()
start_accessibility_bus "$work"
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
# As in a Wayland session; no print service answers, so the print dialog offers a PDF file only.
export XDG_SESSION_TYPE=wayland CUPS_SERVER=$work/no-print-service
app_id=$(basename "$here"/../../resources/desktop/*.desktop .desktop)
wm_class=$(sed -n 's/^StartupWMClass=//p' "$here"/../../resources/desktop/*.desktop)
title='Salvenor 2016  - '
settings="$XDG_CONFIG_HOME/Salvenor 2016.ini"
socket=salvenor-test-$$
weston_pid=
program_pid=
cleanup() {
    for pid in $program_pid $weston_pid "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    remove_after "$work" $program_pid $weston_pid "${pids[@]}"
}
trap cleanup EXIT
wait_for() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
lacks() { ! grep -Eq "$1" "$2"; }
log=$work/program.log

start_weston() { # options; DISPLAY is XWayland's display when there is one
    weston --backend=headless-backend.so --socket="$socket" --no-config --log="$work/weston.log" "$@" \
        >"$work/weston.out" 2>&1 &
    weston_pid=$!
    wait_for test -S "$XDG_RUNTIME_DIR/$socket" || return 1
    export WAYLAND_DISPLAY=$socket
    [[ "$*" != *--xwayland* ]] && return 0
    wait_for grep -q 'xserver listening on display' "$work/weston.log" || return 1
    export DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log")
}

x_window() { xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -n 1; }
has_x_window() { [ -n "$(x_window)" ]; }
x_size() { xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
unmaximised() { [ "$(x_size)" = "$size" ] && ! xprop -id "$window" _NET_WM_STATE | grep -q MAXIMIZED; }
while_running_xwayland() {
    check "the main window is an X window on XWayland ($DISPLAY)" wait_for has_x_window
    window=$(x_window)
    [ -n "$window" ] || return
    # A dock finds the desktop entry of an X window by its class.
    check "its WM_CLASS is the desktop entry's StartupWMClass ($wm_class)" \
        test "$(xprop -id "$window" WM_CLASS | sed 's/.*, "//; s/"$//')" = "$wm_class"
    check "the program speaks no Wayland itself" lacks 'wl_display' "$log"
    size=$(x_size)
    wmctrl -i -r "$window" -b add,maximized_vert,maximized_horz
    sleep 1
    check "a maximise request leaves the fixed window unmaximised at $size" wait_for unmaximised
}
after_end_xwayland() {
    for key in MainLeft MainTop MainWidth MainHeight; do
        check "$key is stored" grep -Eq "^$key=-?[0-9]+$" "$settings"
    done
}

main_toplevel() { sed -n "s/.*\(xdg_toplevel@[0-9]*\)\.set_title(\"$title.*/\1/p" "$log" | tail -n 1; }
has_toplevel() { [ -n "$(main_toplevel)" ]; }
last_call() { grep -F "$1.$2(" "$log" | tail -n 1 | sed 's/.*(//; s/)$//'; }
# Presses the print button over AT-SPI, takes the PDF file offered for want of a print service and
# prints what the print dialog's output file field holds.
print_dialog_file() {
    /usr/bin/python3 -c '
import sys, time, pyatspi
def find(node, test, depth=0):
    if node is None or depth > 30 or test(node):
        return node
    for child in node:
        found = find(child, test, depth + 1)
        if found is not None:
            return found
def wait(test):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            found = find(app, test) if app is not None and app.name == "salvenor" else None
            if found is not None:
                return found
        time.sleep(0.2)
    sys.exit(1)
wait(lambda n: n.name == "Ergebnis ausdrucken" and n.getRole() == pyatspi.ROLE_PUSH_BUTTON).queryAction().doAction(0)
# No print service: the program says so and offers the PDF file.
wait(lambda n: n.name == "Als PDF-Datei speichern …" and n.getRole() == pyatspi.ROLE_PUSH_BUTTON).queryAction().doAction(0)
print(wait(lambda n: n.name == "Ausgabedatei:" and n.getRole() == pyatspi.ROLE_TEXT).queryText().getText(0, -1))
'
}
while_running_wayland() {
    check "the main window shows on Wayland" wait_for has_toplevel
    local main
    main=$(main_toplevel)
    [ -n "$main" ] || return
    check "its application id is $app_id" grep -q "$main.set_app_id(\"$app_id\")" "$log"
    check "its smallest and largest sizes are one (min $(last_call "$main" set_min_size), max $(last_call "$main" set_max_size))" \
        test "$(last_call "$main" set_min_size)" = "$(last_call "$main" set_max_size)"
    file=$(print_dialog_file)
    opened=$?
    check "the print button opens the print dialog" test "$opened" -eq 0
    dialog=$(sed -n 's/.*\(xdg_toplevel@[0-9]*\)\.set_title("Drucken").*/\1/p' "$log" | tail -n 1)
    check "the print dialog ($dialog) belongs to the main window" grep -qF "$dialog.set_parent($main)" "$log"
    check "the print dialog's output file field holds a PDF file's name ($file)" test "${file%.pdf}" != "$file"
}
after_end_wayland() {
    check "no placement is stored" lacks '^Main(Left|Top|Width|Height)=' "$settings"
    check "the settings file is as it was" cmp -s "$settings" "$work/settings.before"
    check "no protocol error" lacks 'wl_display@1\.error|Wayland connection experienced' "$log"
}

for session in xwayland wayland; do
    echo "--- Weston $([ $session = xwayland ] && echo with || echo without) XWayland"
    printf '[Settings]\nFarbe=blau\n\n[Andere]\nx=1\n' >"$settings"
    cp "$settings" "$work/settings.before"
    start_weston $([ $session = xwayland ] && echo --xwayland) || { cat "$work/weston.log"; echo "FAILED: Weston did not start"; exit 1; }
    # In the sanitizer build: what Qt's Wayland plugins and libwayland-client keep until the end
    # (the plugins unloaded by then) is theirs; the program's own heap is checked on X11.
    leaks=$([ $session = wayland ] && echo detect_leaks=0 || echo detect_leaks=1)
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}$leaks" WAYLAND_DEBUG=client "$program" >"$log" 2>&1 </dev/null &
    program_pid=$!
    while_running_$session
    kill "$program_pid" 2>/dev/null
    wait_for eval '! kill -0 "$program_pid" 2>/dev/null' || kill -KILL "$program_pid"
    wait "$program_pid"
    status=$?
    program_pid=
    check "SIGTERM ends the program in order (exit status $status)" test "$status" -eq 143
    for line in Farbe=blau x=1; do check "the user's line $line stays" grep -qx "$line" "$settings"; done
    after_end_$session
    [ "$failures" -eq 0 ] || grep -v '^\[' "$log" | head -n 20
    kill "$weston_pid"
    wait "$weston_pid"
    weston_pid=
    unset DISPLAY WAYLAND_DISPLAY
done
echo "$failures failed"
[ "$failures" -eq 0 ]
