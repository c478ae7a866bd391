#!/usr/bin/env bash
# Starts the program on Xvfb, enters the typical request by keyboard (arrival 14.03.2016,
# departure 18.03.2016, two adults) and saves its main window as PNG:
# tools/screenshot.sh [OUT.png] [BUILD], by default docs/main-window.png from build/release.
set -euo pipefail
trap 'echo "screenshot.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-docs/main-window.png}
build=${2:-build/release}
program=$build/app/salvenor
grabber=$build/tests/window_grab
for binary in "$program" "$grabber"; do
    [ -x "$binary" ] || { echo "no $binary: build first (bash tools/test.sh --quick)" >&2; exit 1; }
done
source "$here/../tests/e2e/common.sh"
work=$(mktemp -d)
use_temporary_home "$work" # the program's settings file goes there, not into the user's home
xvfb=
pid=
cleanup() {
    # The program writes its settings as it ends: wait for it, or they land in a folder just removed.
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work" 900x650 || { echo "Xvfb did not start" >&2; exit 1; }

# The main window shows with the focus on the adults' count.
start_program_past_splash "$program" "$work" || true
pid=$program_pid
[ -n "$window" ] || { echo "the main window did not show" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 0.5
enter_typical_request
sleep "${SCREENSHOT_DELAY:-1}"
mkdir -p "$(dirname "$out")"
# The grab needs no desktop theme of its own.
env -u QT_QPA_PLATFORMTHEME -u GTK_THEME "$grabber" "$window" "$out"
echo "saved $out"
