#!/usr/bin/env bash
# Builds the Debian package, checks its metadata and desktop files, unpacks it into a temporary
# root and starts the installed program there. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
package=$(find "$work/out" -maxdepth 1 -name 'salvenor2016_*.deb' | head -n 1)
[ -n "$package" ] || fail "no package built"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6printsupport6 libc6 libcups2 fonts-liberation qt6-translations-l10n; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed"
done

root=$work/root
dpkg-deb -x "$package" "$root"
id=example.quarnum.Salvenor2016
for file in usr/bin/salvenor usr/bin/salvenor-batch usr/share/man/man1/salvenor-batch.1.gz \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/48x48/apps/$id.png" "usr/share/icons/hicolor/256x256/apps/$id.png" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg"; do
    [ -e "$root/$file" ] || fail "the package lacks /$file"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "AppStream data"

# The installed program never ends by itself: running until the timeout is a pass.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
status=0
QT_QPA_PLATFORM=offscreen timeout 6 "$root/usr/bin/salvenor" >"$work/run.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$work/run.log"; fail "the installed program ended with status $status"; }
# The installed batch tool: a list in, the results out, a sheet as a PDF, no display.
unset DISPLAY
printf 'Anreise;Abreise;Erwachsene\n14.03.2016;18.03.2016;2\n' >"$work/list.csv"
"$root/usr/bin/salvenor-batch" --sheets "$work/sheets" "$work/list.csv" >"$work/result.csv" 2>"$work/batch.log" \
    || { cat "$work/batch.log"; fail "the installed salvenor-batch failed"; }
answer=$("${SALVENOR_CORE_ANSWER:?set it to the core_answer program of the build}" 14.03.2016 18.03.2016 Erwachsene=2)
typical=$(sed -n 's/^Gesamt //p' <<<"$answer")
grep -qxF "14.03.2016;18.03.2016;2;$(sed -n 's/^Zellen //p' <<<"$answer")" "$work/result.csv" \
    || { cat "$work/result.csv"; fail "the installed salvenor-batch calculated wrongly"; }
pdftotext "$work/sheets/2.pdf" - | grep -qF "$typical" || fail "the installed salvenor-batch wrote no sheet"
# Everything the command-line test checks, from the installed program.
bash "$(dirname "$0")/batch_cli_test.sh" "$root/usr/bin/salvenor-batch" >"$work/batch_cli.log" 2>&1 \
    || { grep -v '^ok' "$work/batch_cli.log"; fail "the installed salvenor-batch failed its command-line test"; }
echo "1 passed, 0 failed"
