#!/usr/bin/env bash
# Start-up speed and memory of the real program against a bare Qt window, on Xvfb:
#   bash bench/startup.sh [RUNS] [BUILD]
# For each run, alternating the two programs: launch until the first window is mapped (the
# splash, or the bare window), a key press on the splash until the main window is mapped, and
# the peak resident memory. Prints the medians and their ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}
build=${2:-build/release}
probe=$build/bench/startup_probe
work=$(mktemp -d)
source tests/e2e/common.sh
xvfb=
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
start_xvfb "$work" || exit 1
export QT_QPA_PLATFORM=xcb
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

value() { sed -n "s/^$1=//p" "$2"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up run each, so that both find the fonts and libraries in the page cache.
"$probe" "$build/bench/bare_window" >/dev/null
"$probe" --key "$build/app/salvenor" >/dev/null
for run in $(seq "$runs"); do
    "$probe" "$build/bench/bare_window" >"$work/bare-$run"
    "$probe" --key "$build/app/salvenor" >"$work/program-$run"
done

bare_map=$(for f in "$work"/bare-*; do value first_map_ms "$f"; done | median)
bare_rss=$(for f in "$work"/bare-*; do value peak_rss_kb "$f"; done | median)
splash_map=$(for f in "$work"/program-*; do value first_map_ms "$f"; done | median)
key_map=$(for f in "$work"/program-*; do value key_to_map_ms "$f"; done | median)
program_rss=$(for f in "$work"/program-*; do value peak_rss_kb "$f"; done | median)

printf 'runs each:                 %d\n' "$runs"
printf 'bare window, launch to map: %8.1f ms   peak RSS %6d KiB\n' "$bare_map" "$bare_rss"
printf 'Salvenor, launch to splash: %8.1f ms   peak RSS %6d KiB\n' "$splash_map" "$program_rss"
printf 'Salvenor, key to main:      %8.1f ms\n' "$key_map"
awk -v a="$splash_map" -v b="$bare_map" -v c="$program_rss" -v d="$bare_rss" \
    'BEGIN { printf "ratios: launch %.2f x, memory %.2f x\n", a / b, c / d }'
