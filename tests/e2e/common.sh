# Steps the end-to-end scripts share; sourced by them, never run on its own.

# A home of the test's own below the folder $1.
# Removes the folder $1 once the processes $2... have ended (at most 5 s): the program writes its
# settings, Orca its log, as they end, and a folder removed under them is left half-removed.
remove_after() {
    local folder=$1 pid alive
    shift
    for _ in $(seq 50); do
        alive=
        for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ -z "$alive" ] && break
        sleep 0.1
    done
    rm -rf "$folder"
}

use_temporary_home() {
    export HOME=$1/home XDG_CONFIG_HOME=$1/config XDG_RUNTIME_DIR=$1/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# Starts metacity (GNOME's window manager) on the display, as users always have a window manager,
# in the script's session bus or one of its own; its log in the folder $1, its PID in $wm_pid. It
# ends with the X server. Returns 1, showing its log, when it does not start.
start_window_manager() {
    if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
        metacity --replace >"$1/metacity.log" 2>&1 &
    else
        dbus-run-session -- metacity --replace >"$1/metacity.log" 2>&1 &
    fi
    wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    cat "$1/metacity.log"
    return 1
}

# The X window $1 where it stands and the window manager's frame around it, in pixels: its left
# and top, width, height, then the frame's left, right, top and bottom (0 without a frame).
window_and_frame() {
    local frame
    frame=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //; s/,//gp')
    xwininfo -id "$1" | awk -F': *' -v frame="${frame:-0 0 0 0}" '/Absolute upper-left X/ { x = $2 }
        /Absolute upper-left Y/ { y = $2 } /Width/ { w = $2 } /Height/ { h = $2 } END { print x, y, w, h, frame }'
}

# Starts Xvfb with a screen of $2 (WIDTHxHEIGHT, 1024x768 by default), its files in the folder $1,
# and exports DISPLAY; the server's PID is left in $xvfb. Xvfb picks a free display itself and
# writes its number once it listens; the function returns once the server answers a client.
# -noreset: an X server resets when its last client goes, and a test's polling clients come and go
# while the program is still connecting. Returns 1, showing Xvfb's log, when it does not start.
start_xvfb() {
    local work=$1 screen=${2:-1024x768}
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 400); do
        [ -s "$work/display" ] && break
        sleep 0.05
    done
    [ -s "$work/display" ] || { cat "$work/xvfb.log"; return 1; }
    export DISPLAY=:$(head -n 1 "$work/display")
    for _ in $(seq 200); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    cat "$work/xvfb.log"
    return 1
}

# There is no service manager here: runs the print scheduler, its log in the folder $1, unless one
# already runs; its PID, when started here, is left in $cupsd_pid. Returns 1 when none answers.
start_spooler() {
    if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
        mkdir -p /run/cups /var/spool/cups /var/cache/cups
        cupsd -f >"$1/cupsd.log" 2>&1 &
        cupsd_pid=$!
        for _ in $(seq 100); do
            lpstat -r 2>/dev/null | grep -q 'is running' && break
            sleep 0.1
        done
    fi
    lpstat -r 2>/dev/null | grep -q 'is running'
}

# The core's figure for stays and counts (the build's tests/tools/core_answer), so that a script
# compares what it sees with the core instead of restating the tariff:
#   core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2   ->   18,40
core_figure() {
    local what=$1
    shift
    "${SALVENOR_CORE_ANSWER:?set it to the core_answer program of the build}" "$@" | sed -n "s/^$what //p" | tail -n 1
}

# Starts the accessibility bus (at-spi2-core) on the session bus the script runs in, and tells Qt
# to speak to it; the launcher's PID is added to the array $pids.
start_accessibility_bus() {
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$1/atspi.log" 2>&1 &
    pids+=($!)
    sleep 0.5
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
}

# Starts the program $1 on the X server, its output in $2/program.log, and closes its splash with a
# key; the program's PID is left in $program_pid and its main window's id in $window. Returns 1
# when the main window does not show.
start_program_past_splash() {
    local program=$1 work=$2
    QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
    program_pid=$!
    for _ in $(seq 100); do
        [ -n "$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | head -n 1)" ] && break
        sleep 0.1
    done
    sleep 0.3
    xdotool key x
    window=
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^Salvenor 2016  - ' 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && return 0
        sleep 0.1
    done
    return 1
}

# The typical request by keyboard alone, in the main window just shown: from the adults' count
# back (Shift+Tab past the four buttons and the departure calendar, so that the number of count
# selectors does not matter) to the arrival calendar, type the day, Enter; Tab to the departure
# calendar, the same; the focus moves on to the adults, who are two.
enter_typical_request() {
    keys() { xdotool key --delay 40 "$@"; sleep 0.2; }
    keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
    xdotool type --delay 40 "14.03.2016"
    keys Return
    keys Tab
    xdotool type --delay 40 "18.03.2016"
    keys Return
    keys 2
}

# Runs the script again within a session bus of its own, unless it already runs in one it started.
in_own_session_bus() {
    if [ "${SALVENOR_IN_BUS:-}" != 1 ]; then
        SALVENOR_IN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
    fi
}

# Counts a failed check in $failures and says each: a description, then a command that must succeed.
failures=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
