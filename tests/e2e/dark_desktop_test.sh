#!/usr/bin/env bash
# The windows under GNOME's dark style through the GTK 3 platform theme on Xvfb: first with the
# dark theme in force from the start (GTK_THEME=Adwaita:dark), then with a light theme at the
# start that an XSETTINGS daemon (xsettingsd) switches to Adwaita-dark while the windows are open,
# as GNOME does when the user picks the dark style; last the real program under the dark theme, its
# window saved by tools/screenshot.sh. Usage: dark_desktop_test.sh TEST_PROGRAM BUILD
set -euo pipefail
test_program=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
work=$(mktemp -d)
use_temporary_home "$work"
xvfb=
settings_daemon=
cleanup() {
    [ -n "$settings_daemon" ] && kill "$settings_daemon" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
[ -e "$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null)/platformthemes/libqgtk3.so" ] \
    || fail "the GTK 3 platform theme (qt6-gtk-platformtheme) is not installed"
start_xvfb "$work" || fail "Xvfb did not start"
start_window_manager "$work" || { echo "FAIL: metacity did not start"; exit 1; }
export QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=gtk3 NO_AT_BRIDGE=1

echo "GNOME's dark style from the start"
GTK_THEME=Adwaita:dark SALVENOR_DESKTOP_SCHEME=dark "$test_program" windowsKeepTheDesignFace \
    || fail "a window under the dark theme"

echo "The theme changed while the windows are open"
printf 'Net/ThemeName "Adwaita"\n' >"$work/xsettings"
xsettingsd -c "$work/xsettings" >"$work/xsettingsd.log" 2>&1 &
settings_daemon=$!
for _ in $(seq 100); do
    grep -q 'Took ownership' "$work/xsettingsd.log" && break
    sleep 0.05
done
grep -q 'Took ownership' "$work/xsettingsd.log" || { cat "$work/xsettingsd.log"; fail "xsettingsd did not start"; }
SALVENOR_DESKTOP_SCHEME=light SALVENOR_XSETTINGS_FILE="$work/xsettings" SALVENOR_XSETTINGSD_PID=$settings_daemon \
    "$test_program" schemeChangedWhileRunning || fail "a window after the theme change"

echo "The program itself under GNOME's dark style"
GTK_THEME=Adwaita:dark bash "$here/../../tools/screenshot.sh" "$work/program.png" "$build" \
    || fail "no picture of the program"
GTK_THEME=Adwaita:dark SALVENOR_DESKTOP_SCHEME=dark SALVENOR_PICTURE="$work/program.png" \
    "$test_program" programPictureKeepsTheDesignFace || fail "the program's window under the dark theme"
echo "3 passed, 0 failed"
