#!/usr/bin/env bash
# Starts the print services that tests/gui/print_service_test.cpp prints against and runs it on
# an X server of its own (Xvfb): the spooler (CUPS, started here unless one runs) with a PDF
# printer (cups-pdf), a PDF queue that holds its jobs, a queue that refuses jobs and one that the
# test removes; a loopback service that never answers, one that lists its printers but never
# describes them, a proxy to the spooler that never answers a job, one that never answers a
# job's document, one that answers no job after the first two, and one that freezes once it has
# taken a job. Then the real program is told to
# end (SIGTERM) while a copy hangs: it must end at once, in order (its window placement written),
# and leave nothing of the sheet in its temporary folder. Everything is stopped at the end.
# Usage: print_service_test.sh PRINT_SERVICE_TEST_PROGRAM SALVENOR_PROGRAM [TEST FUNCTIONS]
set -euo pipefail
program=$1
salvenor=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: starting the spooler needs root"
    exit 77
fi
queue=SalvenorHeldPDF
output=SalvenorOutputPDF
rejecting=SalvenorRefusing
removable=SalvenorRemovable
work=$(mktemp -d)
cupsd_pid=
xvfb=
app=
pids=()
cleanup() {
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    cancel -a "$queue" 2>/dev/null || true
    for name in "$queue" "$output" "$rejecting" "$removable"; do lpadmin -x "$name" 2>/dev/null || true; done
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_spooler "$work" || fail "the spooler did not start"
port=631

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
for name in "$queue" "$output" "$rejecting" "$removable"; do
    lpadmin -p "$name" -v cups-pdf:/ -E -P "$ppd" 2> >(grep -v 'drivers are deprecated' >&2)
done
lpadmin -p "$output" -o pdftops-renderer-default=pdftops
# The PDF queue takes every job and holds it, so that the test can count them.
cupsdisable "$queue"
cupsreject "$rejecting"
cancel -a "$queue" 2>/dev/null || true

servers=(silent:silent stalling:stall-jobs half:stall-attributes freezing:freeze-after-job
    documents:stall-documents twojobs:stall-after-two-jobs)
for entry in "${servers[@]}"; do
    name=${entry%%:*} mode=${entry#*:}
    if [ "$mode" = silent ]; then
        python3 "$here/print_servers.py" silent "$work/$name.port" 2>>"$work/$name.log" &
    else
        python3 "$here/print_servers.py" "$mode" "$port" "$work/$name.port" 2>>"$work/$name.log" &
    fi
    pids+=($!)
done
for _ in $(seq 100); do
    ready=1
    for entry in "${servers[@]}"; do [ -s "$work/${entry%%:*}.port" ] || ready=0; done
    [ "$ready" = 1 ] && break
    sleep 0.05
done
[ "$ready" = 1 ] || fail "the loopback services did not start"
address() { echo "127.0.0.1:$(cat "$work/$1.port")"; }

use_temporary_home "$work"
start_xvfb "$work" || fail "Xvfb did not start"
start_window_manager "$work" || { echo "FAIL: metacity did not start"; exit 1; }
home=$(getent passwd "$(id -un)" | cut -d: -f6)

run_tests() {
    SALVENOR_CUPS_SERVER="127.0.0.1:$port" \
    SALVENOR_SILENT_SERVER="$(address silent)" \
    SALVENOR_STALLING_SERVER="$(address stalling)" \
    SALVENOR_HALF_ANSWERING_SERVER="$(address half)" \
    SALVENOR_FREEZING_SERVER="$(address freezing)" \
    SALVENOR_TWO_JOBS_SERVER="$(address twojobs)" \
    SALVENOR_DOCUMENT_STALLING_SERVER="$(address documents)" \
    SALVENOR_PDF_QUEUE="$queue" SALVENOR_OUTPUT_QUEUE="$output" \
    SALVENOR_REJECTING_QUEUE="$rejecting" SALVENOR_REMOVABLE_QUEUE="$removable" \
    SALVENOR_PDF_OUTPUTS="$home/PDF:/var/spool/cups-pdf/ANONYMOUS:/var/spool/cups-pdf/$(id -un)" \
    QTEST_FUNCTION_TIMEOUT=${QTEST_FUNCTION_TIMEOUT:-120000} QT_QPA_PLATFORM=xcb "$program" "$@"
}
run_tests "${@:3}"

# With a default printer, the half-answering service names it (CUPS-Get-Default) but never
# describes it, as Qt asks it to when it builds its printer: asked once more.
lpadmin -d "$queue"
if [ $# -le 2 ]; then
    echo "The half-answering service with a default printer:"
    run_tests halfAnsweringServiceLeavesTheWindowAnswering
fi

# SIGTERM while a copy hangs: the real program, its print dialog confirmed with Enter on the
# default printer, the job held by the proxy that never answers a job.
cancel -a "$queue" 2>/dev/null || true
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"
: >"$work/stalling.log"
settings="$XDG_CONFIG_HOME/Salvenor 2016.ini"
rm -f "$settings"
CUPS_SERVER=$(address stalling) QT_QPA_PLATFORM=xcb "$salvenor" >"$work/program.log" 2>&1 &
app=$!
main_window() { xdotool search --onlyvisible --name '^Salvenor 2016  - ' 2>/dev/null | head -n 1; }
window=
for _ in $(seq 200); do
    window=$(main_window) && [ -n "$window" ] && break
    xdotool key Escape 2>/dev/null || true # closes the splash
    sleep 0.05
done
[ -n "$window" ] || fail "no main window"
sleep 0.5
# The print button, where the design places it in the client area, below the menu bar.
design=$("${SALVENOR_WINDOW_DESIGN:?set it to the window_design program of the build}")
read -r _ _ client_h <<<"$(grep '^client ' <<<"$design")"
read -r _ print_x print_y <<<"$(grep '^print ' <<<"$design")"
menu=$(($(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - client_h))
[ "$menu" -gt 0 ] || menu=22
xdotool mousemove --window "$window" "$print_x" $((print_y + menu)) click 1
for _ in $(seq 200); do
    grep -q held "$work/stalling.log" && break
    [ "$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)" -ge 2 ] && xdotool key Return
    sleep 0.1
done
grep -q held "$work/stalling.log" || { cat "$work/program.log"; fail "no copy went out"; }
kill -TERM "$app"
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
kill -0 "$app" 2>/dev/null && fail "the program did not end within 5 s of SIGTERM"
wait "$app" && status=0 || status=$?
app=
[ "$status" -eq 143 ] || { cat "$work/program.log"; fail "exit status $status after SIGTERM"; }
# Ended as a closed window ends, not killed on the spot: the window placement was written.
[ -s "$settings" ] || fail "no settings written: the program did not shut down in order"
leftovers=$(find "$TMPDIR" -name 'salvenor-*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "$leftovers temporary files left in TMPDIR"
echo "SIGTERM while a copy hangs: ended with status $status, nothing left in TMPDIR"
