#!/usr/bin/env bash
# Starts the print services that tests/gui/print_service_test.cpp prints against and runs it:
# the spooler (CUPS, started here unless one runs) with a PDF queue that holds its jobs, a queue
# that refuses jobs and one that the test removes; a loopback service that never answers; and a
# loopback proxy to the spooler that never answers a job. Everything is stopped at the end.
# Usage: print_service_test.sh PRINT_SERVICE_TEST_PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: starting the spooler needs root"
    exit 77
fi
queue=SalvenorHeldPDF
rejecting=SalvenorRefusing
removable=SalvenorRemovable
work=$(mktemp -d)
cupsd_pid=
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    cancel -a "$queue" 2>/dev/null || true
    for name in "$queue" "$rejecting" "$removable"; do lpadmin -x "$name" 2>/dev/null || true; done
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_spooler "$work" || fail "the spooler did not start"
port=631

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
for name in "$queue" "$rejecting" "$removable"; do
    lpadmin -p "$name" -v cups-pdf:/ -E -P "$ppd" 2> >(grep -v 'drivers are deprecated' >&2)
done
# The PDF queue takes every job and holds it, so that the test can count them.
cupsdisable "$queue"
cupsreject "$rejecting"

python3 "$here/print_servers.py" silent "$work/silent.port" &
pids+=($!)
python3 "$here/print_servers.py" stall-jobs "$port" "$work/stalling.port" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/silent.port" ] && [ -s "$work/stalling.port" ] && break
    sleep 0.05
done
[ -s "$work/silent.port" ] && [ -s "$work/stalling.port" ] || fail "the loopback services did not start"

SALVENOR_CUPS_SERVER="127.0.0.1:$port" \
SALVENOR_SILENT_SERVER="127.0.0.1:$(cat "$work/silent.port")" \
SALVENOR_STALLING_SERVER="127.0.0.1:$(cat "$work/stalling.port")" \
SALVENOR_PDF_QUEUE="$queue" SALVENOR_REJECTING_QUEUE="$rejecting" SALVENOR_REMOVABLE_QUEUE="$removable" \
QT_QPA_PLATFORM=offscreen HOME="$work" "$program"
