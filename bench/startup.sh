#!/usr/bin/env bash
# Start-up speed and memory of the real program against its yardstick, on Xvfb:
#   bash bench/startup.sh [RUNS] [BUILD]
# The yardstick (bench/design_window.cpp) has the program's widgets, look and splash and nothing
# behind them. For each run, alternating the two programs: launch until the first window (the
# splash) is mapped, a key press on the splash until the main window is mapped, and the peak
# resident memory. Prints the medians and the program's ratios to the yardstick.
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
"$probe" --key "$build/bench/design_window" >/dev/null
"$probe" --key "$build/app/salvenor" >/dev/null
for run in $(seq "$runs"); do
    "$probe" --key "$build/bench/design_window" >"$work/yardstick-$run"
    "$probe" --key "$build/app/salvenor" >"$work/program-$run"
done

medianOf() { for f in "$work/$1"-*; do value "$2" "$f"; done | median; }
yard_map=$(medianOf yardstick first_map_ms)
yard_key=$(medianOf yardstick key_to_map_ms)
yard_rss=$(medianOf yardstick peak_rss_kb)
splash_map=$(medianOf program first_map_ms)
key_map=$(medianOf program key_to_map_ms)
program_rss=$(medianOf program peak_rss_kb)

printf 'runs each:                  %d\n' "$runs"
# Times are only worth comparing on a quiet machine; memory does not depend on the load.
read -r load _ </proc/loadavg
awk -v load="$load" -v cores="$(nproc)" 'BEGIN { if (load > cores) printf "load %.1f on %d cores: the times are not reliable, the memory is\n", load, cores }'
printf 'yardstick, launch to splash: %8.1f ms   key to main %6.1f ms   peak RSS %6d KiB\n' \
    "$yard_map" "$yard_key" "$yard_rss"
printf 'Salvenor,  launch to splash: %8.1f ms   key to main %6.1f ms   peak RSS %6d KiB\n' \
    "$splash_map" "$key_map" "$program_rss"
awk -v a="$splash_map" -v b="$yard_map" -v c="$program_rss" -v d="$yard_rss" \
    'BEGIN { printf "ratios to the yardstick: launch %.2f x, memory %.3f x\n", a / b, c / d }'
