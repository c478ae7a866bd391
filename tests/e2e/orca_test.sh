#!/usr/bin/env bash
# What a blind user hears: the screen reader Orca runs beside the real program on Xvfb, with a
# session bus and the accessibility bus of its own, while the typical request is entered by
# keyboard alone (a date entry dropped with Esc, arrival typed into the date entry, departure
# 18.03.2016 after a key move and a refused date, 2 adults, the explanation key). Orca writes every utterance to its debug log as a
# "SPEECH OUTPUT:" line; no speech server is needed. The test requires what a user must hear:
# each count with its category, the sum and the total after a change, the chosen days in full,
# the date entry by name, a refused date's reason. Usage: orca_test.sh PROGRAM
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
# Orca kills every other Orca of the user when it starts (--replace), and will not start beside one
# without it: in a process namespace of its own it neither ends the user's own screen reader nor
# meets another run of this test. Where there is none (a chroot may not mount its own /proc), it
# starts without --replace, and only when no other Orca runs.
if [ "${SALVENOR_IN_PID_NAMESPACE:-}" = "" ]; then
    namespace=(unshare --pid --fork --mount-proc)
    [ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-root-user --pid --fork --mount-proc)
    if "${namespace[@]}" true 2>/dev/null; then
        SALVENOR_IN_PID_NAMESPACE=1 exec "${namespace[@]}" bash "$0" "$@"
    fi
    if pgrep -u "$(id -u)" -x orca >/dev/null; then
        echo "skipped: another Orca runs, and there is no process namespace of its own for this one"
        exit 77
    fi
    export SALVENOR_IN_PID_NAMESPACE=0
fi
replace=()
[ "$SALVENOR_IN_PID_NAMESPACE" = 1 ] && replace=(--replace)
if [ "${SALVENOR_IN_BUS:-}" != 1 ]; then
    # Not exec: the first process of the namespace reaps its orphans, and bash does so quietly.
    SALVENOR_IN_BUS=1 dbus-run-session -- bash "$0" "$@"
    exit $?
fi
work=$(mktemp -d)
use_temporary_home "$work"
# Orca's settings and caches stay in the test's home; gsettings keeps nothing.
export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache GSETTINGS_BACKEND=memory
mkdir -p "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
# No speech server: Orca still logs what it would say, and does not wait for one. Nor does it
# start one: a speech server spawned on a loaded machine can hold Orca's shutdown past its own
# hang limit (10 s), and Orca then kills itself before its log is written out.
export SPEECHD_ADDRESS=unix_socket:$work/no-speech-server SPEECHD_CMD=/bin/false
xvfb=
orca=
pids=()
cleanup() {
    [ -n "$orca" ] && kill -INT "$orca" 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    remove_after "$work" $orca "${pids[@]}" $xvfb
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

orca "${replace[@]}" --debug-file "$work/orca.log" >"$work/orca.out" 2>&1 &
orca=$!
# Orca is ready once it is an application on the accessibility bus.
ready=
for _ in $(seq 40); do
    if /usr/bin/python3 -c '
import sys, pyatspi
desktop = pyatspi.Registry.getDesktop(0)
names = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount) if desktop.getChildAtIndex(i)]
sys.exit(0 if "orca" in names else 1)' 2>/dev/null; then
        ready=1
        break
    fi
    sleep 0.5
done
[ -n "$ready" ] || fail "Orca did not start: $(head -c 2000 "$work/orca.out")"

start_program_past_splash "$program" "$work" || fail "the main window did not show"
pids+=("$program_pid")
sleep 2
# Orca answers every key before the program takes it: keys go slowly, with a pause after each step.
keys() {
    xdotool key --delay 150 "$@"
    sleep 1.5
}
typed() {
    xdotool type --delay 150 "$1"
    sleep 1
}
# From the adults' count past the other counts to the arrival calendar: one Tab a category.
categories=$("${SALVENOR_CORE_ANSWER:?}" --categories)
tabs=()
for _ in $(seq "$categories"); do tabs+=(Tab); done
keys "${tabs[@]}" # the arrival calendar
typed "1"
keys Escape # the entry dropped at once: the calendar is said again
typed "14.03.2016"
keys Return
keys Tab # the departure calendar
keys Right
typed "31.02.2016"
keys Return
keys Escape
typed "18.03.2016"
keys Return # on to the adults
keys 2
keys F1
sleep 1

# Orca writes its log in blocks: it is complete once Orca has ended.
kill -INT "$orca"
for _ in $(seq 100); do
    kill -0 "$orca" 2>/dev/null || break
    sleep 0.1
done
orca=
spoken=$work/spoken.txt
# One utterance a line, without Orca's time stamp, quotes and voice settings.
sed -n "s/^.*SPEECH OUTPUT: '\(.*\)'[ ]*{.*$/\1/p; s/^.*SPEECH OUTPUT: '\([^']*\)$/\1/p" "$work/orca.log" >"$spoken"
echo "Orca said:"
sed 's/^/  /' "$spoken"

today=$(/usr/bin/python3 -c '
import datetime
d = datetime.date.today()
days = ["Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"]
months = ["Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September",
          "Oktober", "November", "Dezember"]
print(f"{days[d.weekday()]}, {d.day}. {months[d.month - 1]} {d.year}.")')
expected=(
    # 1: the count with its category, on the focus and when it changes
    "Anzahl Erwachsene combo box."
    "0."
    "Anzahl Erwachsene, 2."
    # 2: the row's sum and the total, at the focus and after the change
    "Summe 0,00 €, Gesamt 0,00 €"
    "Summe $(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2) €, Gesamt $(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2) €"
    # 3: the chosen day in full on the focus and after a typed entry, a key move, a typed entry
    "$today"
    "Montag, 14. März 2016."
    "Anreisetag, Abreise Dienstag, 15. März 2016, 1 Nacht."
    "Dienstag, 15. März 2016."
    "Mittwoch, 16. März 2016."
    "Abreisetag, 2 Nächte."
    "Freitag, 18. März 2016."
    "Abreisetag, 4 Nächte, weiter bei Anzahl Erwachsene."
    # 4: the date entry by name when it opens, a refused date's reason
    "Datumseingabe Anreise text."
    "Datumseingabe Abreise text."
    "Den 31.02.2016 gibt es nicht."
    # 5: the explanation on F1
    "Summe Erwachsene."
)
missing=0
for utterance in "${expected[@]}"; do
    if ! grep -qxF -- "$utterance" "$spoken"; then
        echo "FAIL: Orca never said: $utterance"
        missing=$((missing + 1))
    fi
done
grep -qF "4 Nächte Vorsaison zu $(core_figure Gesamt 14.03.2016 15.03.2016 Erwachsene=1) € (Tarif 2016)" "$spoken" || {
    echo "FAIL: Orca never read the explanation"
    missing=$((missing + 1))
}
# After Esc in the date entry the reader is back on the calendar and says so.
after_escape=$(grep -n -A1 -xF "escape " "$spoken" | sed -n '2s/^[0-9]*-//p')
if [ "$after_escape" != "$today" ]; then
    echo "FAIL: after Esc in the date entry Orca said \"$after_escape\", not the day"
    missing=$((missing + 1))
fi
# Never a week of bare day numbers ("14." "15." ...), as Qt's own table of days gave.
if awk '/^[0-9]+\.$/ { if (previous) found = 1; previous = 1; next } { previous = 0 } END { exit !found }' "$spoken"; then
    echo "FAIL: Orca read a row of bare day numbers"
    missing=$((missing + 1))
fi
# The departure calendar set after the arrival keeps no focus: Orca moves there with the Tab only.
line_of() { grep -nxF -- "$1" "$spoken" | head -n 1 | cut -d: -f1; }
arrival_said=$(line_of "Anreisetag, Abreise Dienstag, 15. März 2016, 1 Nacht.")
departure_entered=$(line_of "Abreise panel.")
if [ -n "$arrival_said" ] && [ -n "$departure_entered" ] && [ "$departure_entered" -lt "$arrival_said" ]; then
    echo "FAIL: Orca went to the departure calendar before the Tab"
    missing=$((missing + 1))
fi
[ "$missing" -eq 0 ] || fail "$missing utterances missing"
echo "1 passed, 0 failed"
