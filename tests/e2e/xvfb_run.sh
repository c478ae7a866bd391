#!/usr/bin/env bash
# Runs a program on a real X server of its own (Xvfb), in a temporary home: xvfb_run.sh PROGRAM [ARGS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
work=$(mktemp -d)
use_temporary_home "$work"
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work" || { echo "FAIL: Xvfb did not start"; exit 1; }
QT_QPA_PLATFORM=xcb "$@"
