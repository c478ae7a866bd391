#!/usr/bin/env bash
# The real program on Xvfb with the accessibility bus (at-spi2-core): the typical request entered
# by keyboard alone, then the whole accessibility tree walked over AT-SPI as a screen reader sees
# it (tests/e2e/atspi_walk.py). Usage: atspi_test.sh PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
in_own_session_bus "$@"
work=$(mktemp -d)
use_temporary_home "$work"
xvfb=
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    remove_after "$work" "${pids[@]}" $xvfb
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    head -n 40 "$work/program.log" 2>/dev/null || true
    exit 1
}
start_xvfb "$work" || fail "Xvfb did not start"
start_window_manager "$work" || { echo "FAIL: metacity did not start"; exit 1; }

start_accessibility_bus "$work"
# The main window shows with the focus on the adults' count.
start_program_past_splash "$program" "$work" || fail "the main window did not show"
pids+=("$program_pid")
sleep 0.5
enter_typical_request
sleep 0.5
/usr/bin/python3 "$here/atspi_walk.py" salvenor "$(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2) €" >"$work/walk.log" 2>&1 || {
    grep -E "FAIL|objects" "$work/walk.log"
    fail "the accessibility tree has faults"
}
grep -E "objects" "$work/walk.log"
echo "1 passed, 0 failed"
