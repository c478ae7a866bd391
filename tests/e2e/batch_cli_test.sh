#!/usr/bin/env bash
# salvenor-batch as a user runs it: exit statuses, standard input and output, messages, the help,
# the man page, and the calculation sheets as PDF files read back with pdftotext. No display.
# The output file as it meets the disk: the same file as input and output (also through a symbolic
# link), an old result kept after a failed or interrupted run (SIGINT, SIGTERM), and, as root, a
# full and a read-only tmpfs mounted for the test.
# Usage: batch_cli_test.sh SALVENOR_BATCH
set -uo pipefail
batch=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh" # core_figure, check
work=$(mktemp -d)
mounts=()
cleanup() {
    for mount in "${mounts[@]}"; do umount "$mount" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY

status_of() { # exit status of salvenor-batch with the given arguments, standard input from $input
    "$batch" "$@" <"$input" >"$work/out.csv" 2>"$work/err.txt"
    local status=$?
    cat "$work/err.txt" >>"$work/all-messages.txt"
    echo $status
}

output_open() { # the run of that process id has its unfinished output open: a file without a name, or a hidden one
    local links
    links=$(for fd in /proc/"$1"/fd/*; do readlink "$fd"; done 2>/dev/null)
    grep -q -e "^$work/#" -e "^$work/\.signalled\.csv\." <<<"$links"
}

no_temporary_files() { # in the folder given: no file left behind by an unfinished output
    [ -z "$(find "$1" -maxdepth 1 -name '.*.csv.*' -print -quit)" ]
}

printf 'Nummer;Anreise;Abreise;Erwachsene;Kind\nB-1;14.03.2016;18.03.2016;2;1\nB-2;01.07.2016;30.07.2016;4;\n' >"$work/good.csv"
printf 'Anreise;Abreise;Kind\n14.03.2016;31.02.2016;1\n14.03.2016;18.03.2016;1\n' >"$work/bad.csv"
printf 'Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1\n14.03.2016;"18.03.2016\n' >"$work/truncated.csv"
printf 'Anreise;Abreise;Kind\r\n' >"$work/header.csv"
: >"$work/empty.csv"
printf 'Nummer;Anreise;Kind\n1;14.03.2016;1\n' >"$work/no-departure.csv"

input=$work/good.csv
check "every row calculated: status 0" test "$(status_of)" = 0
check "results on standard output" grep -qxF "B-1;14.03.2016;18.03.2016;2;1;$(core_figure Zellen 14.03.2016 18.03.2016 Erwachsene=2 Kind=1)" "$work/out.csv"
check "summary on standard error" grep -q "2 Zeilen, davon 0 mit Fehlern; Summe aller Beträge: $(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2 Kind=1 + 01.07.2016 30.07.2016 Erwachsene=4) €" "$work/err.txt"
check "no progress line when standard error is no terminal" test "$(grep -c $'\r' "$work/err.txt")" = 0
check "\"-\" reads standard input" test "$(status_of -)" = 0
check "-o writes the file" test "$(status_of "$work/good.csv" -o "$work/written.csv")" = 0
check "-o file equals standard output" cmp -s "$work/written.csv" <("$batch" "$work/good.csv" 2>/dev/null)

input=$work/bad.csv
check "a row with an error: status 1" test "$(status_of)" = 1
check "the error names column and value" grep -q ';Abreise 31.02.2016 ist kein Kalendertag$' "$work/out.csv"
check "the other row is still calculated" grep -qxF "14.03.2016;18.03.2016;1;$(core_figure Zellen 14.03.2016 18.03.2016 Kind=1)" "$work/out.csv"

input=$work/truncated.csv
check "input ending inside quotes: status 1" test "$(status_of)" = 1
check "and it is reported with its line" \
    grep -q '^salvenor-batch: Zeile 3: Das Feld in Anführungszeichen wird bis zum Ende der Eingabe nicht geschlossen' \
    "$work/err.txt"
check "one row in the singular" grep -q ': 2 Zeilen, davon 1 mit Fehlern' "$work/err.txt"
printf 'Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1\n' >"$work/one.csv"
input=$work/one.csv
check "the summary of one row says Zeile" test "$(status_of)" = 0 -a -n "$(grep ': 1 Zeile, davon 0' "$work/err.txt")"

# A stray quote in the middle: B-1 is one faulty row, B-2 and B-3 are priced.
printf 'Nummer;Gast;Anreise;Abreise;Erwachsene\nB-1;"Meier;01.07.2016;15.07.2016;2\nB-2;"Schulz";01.07.2016;15.07.2016;1\nB-3;Weiß;14.03.2016;18.03.2016;1\n' \
    >"$work/stray.csv"
input=$work/stray.csv
check "stray quote: status 1" test "$(status_of)" = 1
check "stray quote: reported with the line it began in" grep -q '^salvenor-batch: Zeile 2: .*ab Zeile 3 wird weitergelesen' "$work/err.txt"
check "stray quote: three rows, one faulty" grep -q ": 3 Zeilen, davon 1 mit Fehlern; Summe aller Beträge: $(core_figure Gesamt 01.07.2016 15.07.2016 Erwachsene=1 + 14.03.2016 18.03.2016 Erwachsene=1) €" "$work/err.txt"
check "stray quote: B-2 priced" grep -q "^B-2;\"Schulz\";01.07.2016;15.07.2016;1;14;$(core_figure Gesamt 01.07.2016 15.07.2016 Erwachsene=1);" "$work/out.csv"

# A column that counts persons without naming one category refuses the list, unless passed on purpose.
printf 'Nummer;Anreise;Abreise;Anzahl Erwachsene;Anzahl Kinder\nB-1;14.03.2016;18.03.2016;2;1\n' >"$work/kinder.csv"
input=$work/kinder.csv
check "a column Anzahl Kinder: status 2" test "$(status_of)" = 2
check "a column Anzahl Kinder: says what it could mean" grep -q '„Anzahl Kinder“ zählt Personen, nennt aber nicht genau eine Personengruppe: gemeint sein kann Kind (Kinder ab 12 Jahre) oder Kinder unter 12' "$work/err.txt"
check "--pass-column \"Anzahl Kinder\": the adults priced" test "$(status_of --pass-column "Anzahl Kinder")" = 0 -a -n "$(grep "^B-1;14.03.2016;18.03.2016;2;1;4;$(core_figure Erwachsene 14.03.2016 18.03.2016 Erwachsene=2);" "$work/out.csv")"

# What spreadsheets write: the separator from the header, with a note; UTF-16 refused.
printf 'Anreise,Abreise,Kind\n14.03.16,18.03.16,"1,0"\n' >"$work/comma.csv"
input=$work/comma.csv
check "a comma header: status 0" test "$(status_of)" = 0
check "a comma header: said on standard error" grep -q 'Die Kopfzeile ist durch „,“ getrennt' "$work/err.txt"
check "a comma header: dd.MM.yy and 1,0 calculated" grep -q '^14.03.16,18.03.16,"1,0",4,' "$work/out.csv"
printf '\xff\xfeA\x00n\x00r\x00' >"$work/utf16.csv"
input=$work/utf16.csv
check "UTF-16: status 2" test "$(status_of)" = 2
check "UTF-16: says what it is and how to export UTF-8" grep -q 'UTF-16.*CSV UTF-8' "$work/err.txt"

# Standard output into the input file: refused before anything is written, the list as it was.
expected=$("$batch" "$work/good.csv" 2>/dev/null)
cp "$work/good.csv" "$work/self.csv"
timeout 10 "$batch" "$work/self.csv" >>"$work/self.csv" 2>"$work/err.txt"
check ">> the input: status 2 at once" test $? = 2
check ">> the input: the list as it was" cmp -s "$work/good.csv" "$work/self.csv"
check ">> the input: says why and how" grep -q 'zugleich die Standardausgabe.*-o LISTE.csv' "$work/err.txt"
timeout 10 "$batch" <"$work/self.csv" >>"$work/self.csv" 2>"$work/err.txt"
check "< and >> the input: status 2" test $? = 2
timeout 10 "$batch" "$work/self.csv" >"$work/self.csv" 2>"$work/err.txt"
check "> the input: status 2" test $? = 2
check "> the input: says the shell emptied it" grep -q 'leert die Shell sie, bevor das Programm startet' "$work/err.txt"

# Input that is no file: a pipe, a process substitution, a terminal.
check "a pipe on standard input: the same result" cmp -s <(cat "$work/good.csv" | "$batch" 2>/dev/null) <(printf '%s\n' "$expected")
check "a process substitution: the same result" cmp -s <("$batch" <(cat "$work/good.csv") 2>/dev/null) <(printf '%s\n' "$expected")
check "a terminal on standard input: says what the tool waits for" \
    grep -q 'von der Tastatur gelesen.*Strg+D' <(timeout 10 script -qec "'$batch'" /dev/null </dev/null 2>&1)
check "a full or missing TMPDIR for a pipe: status 2, the folder named" \
    grep -qF "im Ordner „$work/no-such-folder“ zwischengespeichert (anders: TMPDIR)" \
    <(cat "$work/good.csv" | TMPDIR="$work/no-such-folder" "$batch" 2>&1 >/dev/null)
check "--pass-column before the list's name takes one column" \
    test "$(status_of --pass-column "Anzahl Kinder" "$work/kinder.csv")" = 0
printf 'Anre\033]0;x\007ise;Abreise;Kind\n' >"$work/escape.csv"
check "the list's control characters never reach the terminal" \
    test -z "$("$batch" "$work/escape.csv" 2>&1 >/dev/null | tr -d '\n' | tr -d '[:print:]\200-\377')"
tr ';' '\t' <"$work/good.csv" >"$work/tab.csv"
check "--separator Tab" test "$(status_of --separator Tab "$work/tab.csv")" = 0 -a -n "$(grep -P '^B-1\t.*\t4\t' "$work/out.csv")"

# The same file as input and output, directly, through a symbolic link and spelt another way.
input=/dev/null
for spelling in same link other; do
    cp "$work/good.csv" "$work/inout.csv"
    case $spelling in
    same) target=$work/inout.csv ;;
    link) ln -sf inout.csv "$work/inout-link.csv" && target=$work/inout-link.csv ;;
    other) mkdir -p "$work/sub" && target=$work/sub/../inout.csv ;;
    esac
    check "same file as output ($spelling): status 0" test "$(status_of "$work/inout.csv" -o "$target")" = 0
    check "same file as output ($spelling): the whole result" test "$(cat "$work/inout.csv")" = "$expected"
done
check "through a link the link stays" test -L "$work/inout-link.csv"
check "no temporary file left" no_temporary_files "$work"

# What the output keeps of the file it replaces: its extended attributes and ACL (written with
# Python, which needs no tools of their own), and every name of a file with several.
cp "$work/good.csv" "$work/attributes.csv"
if python3 -c 'import os, struct, sys
acl = struct.pack("<I", 2) + b"".join(struct.pack("<HHI", *entry) for entry in
    [(1, 6, 0xFFFFFFFF), (2, 6, 4242), (4, 0, 0xFFFFFFFF), (0x10, 6, 0xFFFFFFFF), (0x20, 0, 0xFFFFFFFF)])
os.setxattr(sys.argv[1], "user.herkunft", b"Buchungssystem")
os.setxattr(sys.argv[1], "system.posix_acl_access", acl)' "$work/attributes.csv" 2>/dev/null; then
    attributes() { python3 -c 'import os, sys
print(oct(os.stat(sys.argv[1]).st_mode), sorted((n, os.getxattr(sys.argv[1], n).hex()) for n in os.listxattr(sys.argv[1])))' "$1"; }
    before=$(attributes "$work/attributes.csv")
    check "-o keeps the ACL, the mode and extended attributes" \
        test "$(status_of "$work/good.csv" -o "$work/attributes.csv")" = 0 -a "$(attributes "$work/attributes.csv")" = "$before"
else
    echo "skipped: extended attributes and ACLs (the file system of $work has none)"
fi
cp "$work/good.csv" "$work/several.csv" && ln "$work/several.csv" "$work/several-name.csv"
check "-o onto a file of two names: both see the result" \
    test "$(status_of "$work/good.csv" -o "$work/several.csv")" = 0 -a "$(cat "$work/several-name.csv")" = "$expected"

# An edit saved by rename (as editors save) while an in-place run reads: refused, the edit stays.
{ printf 'Nr;Anreise;Abreise;Kind\n'; yes 'B-1;14.03.2016;18.03.2016;1' | head -n 1000000; } >"$work/gross.csv"
"$batch" "$work/gross.csv" -o "$work/gross.csv" >/dev/null 2>"$work/err.txt" &
pid=$!
until [ -n "$(for fd in /proc/$pid/fd/*; do readlink "$fd"; done 2>/dev/null | grep -x "$work/gross.csv")" ] \
    || ! kill -0 $pid 2>/dev/null; do sleep 0.002; done
kill -STOP $pid 2>/dev/null
printf 'bearbeitet\n' >"$work/gross.neu" && mv "$work/gross.neu" "$work/gross.csv"
kill -CONT $pid 2>/dev/null
wait $pid
check "an edit saved by rename meanwhile: status 2" test $? = 2
check "and the edit stays" test "$(cat "$work/gross.csv")" = bearbeitet
rm -f "$work/gross.csv"

# Input that is no text, or never ends: refused at once, not copied until the disk is full.
head -c 1000 /dev/zero >"$work/zeros.csv"
for source in /dev/zero "$work/zeros.csv"; do
    check "null bytes from $source: status 2 at once" \
        test "$(timeout 20 "$batch" "$source" 2>"$work/err.txt" >/dev/null; echo $?)" = 2
    check "null bytes from $source: named" grep -q 'Null-Bytes' "$work/err.txt"
done
check "null bytes on standard input: status 2 at once" \
    test "$(timeout 20 "$batch" </dev/zero 2>/dev/null >/dev/null; echo $?)" = 2

# A name with control characters (a screen cleared, colours) reaches the terminal as "?".
escape=$(printf 'x\033[2Jy')
mkdir -p "$work/$escape" && : >"$work/$escape/1.pdf"
check "a folder named with control characters: status 2" \
    test "$(status_of "$work/good.csv" --sheets "$work/$escape")" = 2 -a -s "$work/err.txt"
check "and no control character reaches standard error" test -z "$(tr -d '\n' <"$work/err.txt" | tr -d '[:print:]\200-\377')"

# A run killed outright (SIGKILL, which nothing can catch) leaves no temporary file beside the output.
mkdir -p "$work/killed"
{ printf 'Nr;Anreise;Abreise;Kind\n'; yes 'B-1;14.03.2016;18.03.2016;1' | head -n 1000000; } >"$work/killed/gross.csv"
"$batch" "$work/killed/gross.csv" -o "$work/killed/ergebnis.csv" >/dev/null 2>&1 &
pid=$!
until [ -n "$(for fd in /proc/$pid/fd/*; do readlink "$fd"; done 2>/dev/null | grep -x "$work/killed/gross.csv")" ] \
    || ! kill -0 $pid 2>/dev/null; do sleep 0.002; done
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
check "a run killed by SIGKILL: no temporary file left" test "$(ls -A "$work/killed")" = gross.csv
rm -rf "$work/killed"

# Links and pipes another user planted in a folder others may write (a group folder, a share).
if [ "$(id -u)" = 0 ]; then
    mkdir -m 2777 "$work/share" && printf 'geheim\n' >"$work/victim.txt"
    ln -s "$work/victim.txt" "$work/share/ergebnis.csv" && chown -h 4242 "$work/share/ergebnis.csv"
    check "another user's link in a shared folder: status 2" \
        test "$(status_of "$work/good.csv" -o "$work/share/ergebnis.csv")" = 2
    check "its target is left as it was" test "$(cat "$work/victim.txt")" = geheim
    check "the refusal names the link and its target" grep -qF "„$work/share/ergebnis.csv“ ist eine symbolische Verknüpfung eines anderen Benutzers auf „$work/victim.txt“" "$work/err.txt"
    mkfifo "$work/share/pipe" && chown 4242 "$work/share/pipe"
    check "another user's pipe: status 2, no waiting" \
        test "$(timeout 20 "$batch" "$work/good.csv" -o "$work/share/pipe" 2>/dev/null; echo $?)" = 2
    mkfifo "$work/own-pipe"
    check "a pipe of our own nobody reads: status 2, no waiting" \
        test "$(timeout 20 "$batch" "$work/good.csv" -o "$work/own-pipe" 2>/dev/null; echo $?)" = 2
else
    echo "skipped: another user's links and pipes (needs root to play the other user)"
fi

# A device is written to, never replaced.
check "-o /dev/null: status 0" test "$(status_of "$work/good.csv" -o /dev/null)" = 0
check "-o /dev/null: still the device" test -c /dev/null
check "-o /dev/full: status 2" test "$(status_of "$work/good.csv" -o /dev/full)" = 2
check "-o /dev/full: the reason" grep -q 'kein Platz mehr frei\.$' "$work/err.txt"

# A failed run keeps last month's result.
printf 'Ergebnis des Vormonats\n' >"$work/old.csv"
cp "$work/old.csv" "$work/kept.csv"
check "an empty input with -o: status 2" test "$(status_of "$work/empty.csv" -o "$work/kept.csv")" = 2
check "an empty input with -o: the old output kept" cmp -s "$work/old.csv" "$work/kept.csv"
check "--sheets into a file with -o: status 2" test "$(status_of "$work/good.csv" -o "$work/kept.csv" --sheets "$work/good.csv")" = 2
check "--sheets into a file with -o: the old output kept" cmp -s "$work/old.csv" "$work/kept.csv"
check "no temporary file left after failures" no_temporary_files "$work"

# Interrupted while the input still comes: no output file, or the old one; nothing left behind.
# (A background job of a script ignores SIGINT and SIGQUIT: they are set back to end it, as in a
# terminal.)
mkfifo "$work/fifo"
for signal in INT TERM QUIT PIPE XFSZ; do
    for before in none old; do
        rm -f "$work/signalled.csv"
        [ "$before" = old ] && cp "$work/old.csv" "$work/signalled.csv"
        env --default-signal=INT,QUIT "$batch" "$work/fifo" -o "$work/signalled.csv" 2>>"$work/all-messages.txt" &
        pid=$!
        exec 3>"$work/fifo"
        printf 'Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1\n' >&3
        for _ in $(seq 50); do output_open "$pid" && break; sleep 0.1; done
        check "SIG$signal ($before): the output was open mid-run" output_open "$pid"
        kill -s "$signal" "$pid"
        wait "$pid" 2>/dev/null
        status=$?
        exec 3>&-
        check "SIG$signal ($before): ended by the signal" test "$status" -gt 128
        if [ "$before" = old ]; then
            check "SIG$signal: the old output kept" cmp -s "$work/old.csv" "$work/signalled.csv"
        else
            check "SIG$signal: no output file" test ! -e "$work/signalled.csv"
        fi
        check "SIG$signal ($before): no temporary file left" no_temporary_files "$work"
    done
done

# A signal the caller ignores (nohup) does not end the run.
rm -f "$work/signalled.csv"
nohup "$batch" "$work/fifo" -o "$work/signalled.csv" 2>>"$work/all-messages.txt" >/dev/null &
pid=$!
exec 3>"$work/fifo"
printf 'Anreise;Abreise;Kind\n14.03.2016;18.03.2016;1\n' >&3
for _ in $(seq 50); do no_temporary_files "$work" || break; sleep 0.1; done
kill -s HUP "$pid"
sleep 0.2
(printf '14.03.2016;19.03.2016;1\n' >&3) 2>/dev/null # in a subshell: a reader ended by SIGHUP ends only that
exec 3>&-
wait "$pid" 2>/dev/null
check "nohup: SIGHUP ignored, status 0" test $? = 0
check "nohup: the whole list written" test "$(wc -l <"$work/signalled.csv")" = 3

# A rerun on its own result calculates the result columns again, in place.
"$batch" "$work/good.csv" -o "$work/rerun.csv" 2>/dev/null
check "a rerun on its own result: status 0" test "$(status_of "$work/rerun.csv" -o "$work/rerun.csv")" = 0
check "a rerun on its own result: one block of results" test "$(head -n 1 "$work/rerun.csv" | grep -o Nächte | wc -l)" = 1
check "a rerun on its own result: the same list" cmp -s "$work/rerun.csv" <(printf '%s\n' "$expected")

input=$work/header.csv
check "header only: status 0" test "$(status_of)" = 0
check "header only: header with the new columns in Windows-1252 (ASCII with CR LF), CRLF kept" \
    env LC_ALL=C grep -q $'^Anreise;Abreise;Kind;N\xe4chte;.*;Gesamt;Fehler\r$' "$work/out.csv"

input=$work/empty.csv
check "empty input: status 2" test "$(status_of)" = 2
check "empty input: the reason" grep -q 'Die Eingabe ist leer' "$work/err.txt"
input=$work/no-departure.csv
check "no departure column: status 2" test "$(status_of)" = 2
check "no departure column: the reason" grep -q 'keine Spalte „Abreise“' "$work/err.txt"
input=/dev/null
check "unreadable file: status 2" test "$(status_of "$work/fehlt.csv")" = 2
check "unreadable file: the reason" grep -q 'kann nicht gelesen werden' "$work/err.txt"
check "unwritable output: status 2" test "$(status_of "$work/good.csv" -o "$work/no/such/folder.csv")" = 2
check "unknown option: status 2" test "$(status_of --frobnicate)" = 2
check "a separator of two characters: status 2" test "$(status_of --separator ';;')" = 2
# An empty name (an unset variable in a script) asks for nothing: refused before any work.
input=$work/good.csv
check "--sheets \"\": status 2" test "$(status_of --sheets "")" = 2
check "--sheets \"\": the reason" grep -q 'Bei --sheets fehlt der Wert' "$work/err.txt"
check "-o \"\": status 2" test "$(status_of -o "")" = 2
check "-o \"\": the reason, before the list is read" test "$(cat "$work/err.txt")" = \
    'salvenor-batch: Bei --output fehlt der Wert. Hilfe: salvenor-batch --help'
check "-o twice: status 2" test "$(status_of -o "$work/a.csv" -o "$work/b.csv")" = 2
check "-o twice: the reason" grep -q -- '--output ist mehr als einmal angegeben' "$work/err.txt"
input=/dev/null

"$batch" --help >"$work/help.txt" 2>&1
# A tool of the command line: no widget or print dialog library is loaded with it.
check "salvenor-batch links no QtWidgets or QtPrintSupport" test -z "$(ldd "$batch" | grep -E 'Qt6(Widgets|PrintSupport)')"
check "--help in German" grep -q '^Aufruf: ' "$work/help.txt"
check "--help names --sheets" grep -q -- '--sheets ORDNER' "$work/help.txt"
check "the man page renders without warnings" \
    test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$here/../../batch/salvenor-batch.1" 2>&1 >/dev/null)"

# The golden Windows-1252 list through the program, with a comma as separator.
check "Windows-1252 golden file through the program" \
    cmp -s <("$batch" --separator , "$here/../batch/bookings-windows1252.csv" 2>/dev/null) \
    "$here/../batch/bookings-windows1252.expected.csv"

# Calculation sheets, without a display.
input=$work/bad.csv
check "--sheets: status as without" test "$(status_of --sheets "$work/sheets")" = 1
check "--sheets: only the calculated row has a sheet, named by its line" test "$(ls "$work/sheets")" = "3.pdf"
input=$work/good.csv
check "--sheets into a folder with sheets: status 2" test "$(status_of --sheets "$work/sheets")" = 2
check "--sheets into a folder with sheets: names the option" grep -q -- '--replace-sheets' "$work/err.txt"
check "--sheets into a folder with sheets: nothing written" test "$(ls "$work/sheets")" = "3.pdf"
check "--replace-sheets" test "$(status_of --sheets "$work/sheets" --replace-sheets)" = 0
check "--replace-sheets: the new sheets" test "$(ls "$work/sheets" | tr '\n' ' ')" = "2.pdf 3.pdf "
input=$work/bad.csv
check "--replace-sheets: a row that now fails" test "$(status_of --sheets "$work/sheets" --replace-sheets)" = 1
check "--replace-sheets: no sheet of the earlier run stays" test "$(ls "$work/sheets")" = "3.pdf"
input=$work/good.csv
check "--sheets into an existing folder" test "$(status_of --sheets "$work/sheets" --replace-sheets)" = 0
# --replace-sheets removes only what a run wrote and listed; a run that fails keeps the earlier sheets.
sheet_before=$(stat -c %i "$work/sheets/2.pdf")
: >"$work/sheets/1.pdf"
check "--replace-sheets beside a PDF no run wrote: status 2" test "$(status_of --sheets "$work/sheets" --replace-sheets)" = 2
check "--replace-sheets beside a PDF no run wrote: it stays" test -e "$work/sheets/1.pdf"
rm "$work/sheets/1.pdf"
check "--replace-sheets in a run whose list is not written: status 2" \
    test "$(status_of --sheets "$work/sheets" --replace-sheets -o /dev/full)" = 2
check "--replace-sheets in a run whose list is not written: the earlier sheets stay" \
    test "$(stat -c %i "$work/sheets/2.pdf")" = "$sheet_before"
ln -s "$work/sheets" "$work/sheets-link"
check "--sheets through a symbolic link: status 2" test "$(status_of --sheets "$work/sheets-link" --replace-sheets)" = 2
check "--sheets through a symbolic link: the folder as it was" test "$(stat -c %i "$work/sheets/2.pdf")" = "$sheet_before"
check "--sheets: one page" grep -q '^Pages: *1$' <(pdfinfo "$work/sheets/2.pdf")
check "--sheets: the title names the booking's reference" grep -q '^Title: *Kurbeitragsberechnung B-1$' <(pdfinfo "$work/sheets/2.pdf")
pdftotext -layout "$work/sheets/2.pdf" "$work/sheet2.txt"
check "sheet: the stay" grep -q 'Anreisetag = Mo. 14.03.2016 Abreisetag = Fr. 18.03.2016' "$work/sheet2.txt"
check "sheet: the adults' line" grep -Eq "2 Erwachsene\(r\) +x 4 Nächte +x $(core_figure Gesamt 14.03.2016 15.03.2016 Erwachsene=1) € += *$(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2) €" "$work/sheet2.txt"
check "sheet: the children's line" grep -Eq "1 Kind\(er\) ab 12 J\. +x 4 Nächte +x $(core_figure Gesamt 14.03.2016 15.03.2016 Kind=1) € += *$(core_figure Gesamt 14.03.2016 18.03.2016 Kind=1) €" "$work/sheet2.txt"
check "sheet: the total" grep -Eq "zu zahlender Kurbeitrag += *$(core_figure Gesamt 14.03.2016 18.03.2016 Erwachsene=2 Kind=1) €" "$work/sheet2.txt"
check "sheet: dated today" grep -q "$(date +%d.%m.%Y)" "$work/sheet2.txt"
input=$work/good.csv
check "--sheets into a file that is no folder: status 2" test "$(status_of --sheets "$work/good.csv")" = 2
# Links in the sheets' folder are never written through; a list never replaces a sheet or one it.
echo wichtig >"$work/victim.txt"
mkdir -p "$work/linked" && ln -s ../victim.txt "$work/linked/.salvenor-batch.lock"
check "a linked lock file: status 2" test "$(status_of --sheets "$work/linked")" = 2
check "a linked lock file: its target as it was" test "$(cat "$work/victim.txt")" = wichtig
mkdir -p "$work/hard-linked" && ln "$work/victim.txt" "$work/hard-linked/.salvenor-batch.lock"
check "a hard-linked lock file: status 2" test "$(status_of --sheets "$work/hard-linked")" = 2
check "a hard-linked lock file: the other file as it was" test "$(cat "$work/victim.txt")" = wichtig
mkdir -p "$work/dangling" && ln -s ../created.pdf "$work/dangling/2.pdf"
check "a link named like a sheet: that sheet not written" test "$(status_of --sheets "$work/dangling")" = 1
check "a link named like a sheet: nothing made where it points" test ! -e "$work/created.pdf"
check "a link named like a sheet: said in the singular" grep -q 'für die Zeile 2\.' "$work/err.txt"
check "-o named like a sheet in the sheets' folder: status 2" \
    test "$(status_of --sheets "$work/fresh-sheets" -o "$work/fresh-sheets/5.pdf")" = 2
check "the sheets of a run whose list could not be written go" \
    test "$(status_of --sheets "$work/gone-sheets" -o /dev/full)" = 2 -a -z "$(ls "$work/gone-sheets")" \
    -a -n "$(grep 'Die Berechnungsblätter dieses Laufs wurden wieder entfernt' "$work/err.txt")"

# Two runs into one folder: while the first one writes (stopped midway, so that it surely does),
# the second is refused and touches nothing.
{
    printf 'Nummer;Anreise;Abreise;Kind\n'
    for row in $(seq 1000); do printf 'A-%d;01.07.2016;15.07.2016;1\n' "$row"; done
} >"$work/first.csv"
"$batch" "$work/first.csv" --sheets "$work/locked" -o "$work/first-out.csv" 2>>"$work/all-messages.txt" &
first=$!
for _ in $(seq 200); do [ "$(cat "$work/locked/.salvenor-batch.lock" 2>/dev/null)" = "$first" ] && break; sleep 0.05; done
kill -STOP "$first"
check "the first run holds the folder" test "$(cat "$work/locked/.salvenor-batch.lock")" = "$first"
input=$work/good.csv
check "a second run into a folder being written: status 2" test "$(status_of --sheets "$work/locked" --replace-sheets)" = 2
check "a second run into a folder being written: names the first run" \
    grep -q "In den Ordner „$work/locked“ schreibt gerade ein anderer Lauf von salvenor-batch (Prozess $first)" "$work/err.txt"
kill -CONT "$first"
wait "$first"
check "the first run: status 0" test $? = 0
check "the first run: all its sheets" test "$(find "$work/locked" -name '*.pdf' | wc -l)" = 1000
check "the first run: its own stays in the sheets the second run would have written" \
    test "$(for line in 2 3; do pdftotext "$work/locked/$line.pdf" -; done | grep -c 'Anreisetag = Fr. 01.07.2016')" = 2

# The progress line on a terminal advances with each sheet (it shows once a list takes a second).
{
    printf 'Anreise;Abreise;Kind\n'
    for _ in $(seq 3000); do printf '14.03.2016;18.03.2016;1\n'; done
} >"$work/many.csv"
script -qec "'$batch' --sheets '$work/progress-sheets' '$work/many.csv' -o '$work/many-out.csv'" /dev/null \
    >"$work/terminal.txt" 2>&1
check "the progress line shows rows before the end" \
    grep -Eq $'\r([0-9]{1,3}|[12][0-9]{3}) Zeilen' "$work/terminal.txt"

# As root: a full and a read-only tmpfs.
if [ "$(id -u)" = 0 ] && mkdir -p "$work/small" && mount -t tmpfs -o size=96k tmpfs "$work/small"; then
    mounts+=("$work/small")
    cp "$work/old.csv" "$work/small/result.csv"
    {
        printf 'Nummer;Anreise;Abreise;Kind\n'
        for row in $(seq 3000); do printf 'Q-%d;14.03.2016;18.03.2016;1\n' "$row"; done
    } >"$work/long.csv"
    check "full disk: status 2" test "$(status_of "$work/long.csv" -o "$work/small/result.csv")" = 2
    check "full disk: the reason in German" grep -q 'kein Platz mehr frei.*bleibt, wie sie war' "$work/err.txt"
    check "full disk: the old output kept" cmp -s "$work/old.csv" "$work/small/result.csv"
    check "full disk: no temporary file left" no_temporary_files "$work/small"
    head -n 41 "$work/many.csv" >"$work/forty.csv"
    input=$work/forty.csv
    check "full disk under the sheets: status 1" test "$(status_of --sheets "$work/small/sheets")" = 1
    check "full disk under the sheets: no empty or cut sheet" \
        test -z "$(find "$work/small/sheets" -name '*.pdf' -size -1k)"
    check "full disk under the sheets: every sheet left is whole" \
        sh -c 'for f in "$1"/*.pdf; do pdfinfo "$f" >/dev/null 2>&1 || exit 1; done' - "$work/small/sheets"
    check "full disk under the sheets: the rows named" grep -q 'konnten nicht geschrieben werden, für die Zeilen [0-9]' "$work/err.txt"
    mkdir -p "$work/readonly" && mount -t tmpfs -o size=64k,ro tmpfs "$work/readonly" && mounts+=("$work/readonly")
    check "--sheets into a read-only folder: status 2" \
        test "$(status_of "$work/good.csv" -o "$work/kept.csv" --sheets "$work/readonly")" = 2
    check "--sheets into a read-only folder: the old output kept" cmp -s "$work/old.csv" "$work/kept.csv"
    check "-o into a read-only folder: status 2" test "$(status_of "$work/good.csv" -o "$work/readonly/x.csv")" = 2
    check "-o into a read-only folder: the reason in German" grep -q 'nur lesbar' "$work/err.txt"
else
    echo "skipped: full and read-only tmpfs (needs root and mount)"
fi

# Columns of persons under names of no category, as a school's and a host's lists have them.
printf 'Nr;Gruppe;Anreise;Abreise;Schüler;Lehrer;Eltern\nK-1;Klasse 8b;04.07.2016;08.07.2016;18;2;\n' >"$work/klasse.csv"
cp "$work/klasse.csv" "$work/klasse-vorher.csv"
input=$work/klasse.csv
check "teachers under a name of no category: status 2" test "$(status_of "$work/klasse.csv" -o "$work/klasse.csv")" = 2
check "the list is left as it was" cmp -s "$work/klasse.csv" "$work/klasse-vorher.csv"
check "the refusal names the column and what to say" \
    grep -qF 'salvenor-batch: Die Spalte „Lehrer“ hält ganze Zahlen, die Personen zählen könnten' "$work/err.txt"
check "--column reads the teachers as adults" \
    test "$(status_of --column "Lehrer=Erwachsene" --pass-column Eltern)" = 0 -a -n "$(grep -F "K-1;Klasse 8b;04.07.2016;08.07.2016;18;2;;$(core_figure Zellen 04.07.2016 08.07.2016 Student=18 Erwachsene=2)" "$work/out.csv")"
check "and says so in one line" grep -qxF 'salvenor-batch: Spalten: „Schüler“ als Student, „Lehrer“ als Erwachsene; unverändert: „Nr“, „Gruppe“, „Eltern“; Kodierung UTF-8' "$work/err.txt"
printf 'Nr;Anreise;Abreise;Kinder;Lehrer;Eltern\nK-1;04.07.2016;08.07.2016;18;2;1\n' >"$work/drei.csv"
check "every refused column at once, a line each" \
    test "$(status_of "$work/drei.csv")" = 2 -a "$(grep -c '^salvenor-batch: Die Spalte' "$work/err.txt")" = 3
check "--column with no category after = is refused" test "$(status_of --column Lehrer=Personen)" = 2
check "--column names the wrong value" grep -qF '„Lehrer=Personen“ nennt nach dem letzten = keine Personengruppe' "$work/err.txt"
# Excel's "CSV (MS-DOS)": code page 850, found by its rules or named.
printf 'Nr;Anreise;Abreise;Sch\x81ler\r\nK-1;04.07.2016;08.07.2016;18\r\n' >"$work/ms-dos.csv"
input=$work/ms-dos.csv
check "code page 850: the pupils priced" test "$(status_of)" = 0 -a -n "$(grep -aF "K-1;04.07.2016;08.07.2016;18;$(core_figure Zellen 04.07.2016 08.07.2016 Student=18)" "$work/out.csv")"
check "code page 850: said on standard error" grep -q 'Kodierung CP850$' "$work/err.txt"
check "--encoding windows-1252 refuses it and names CP850" \
    test "$(status_of --encoding windows-1252)" = 2 -a -n "$(grep -F 'mit --encoding CP850 hieße sie „Schüler“ (Student)' "$work/err.txt")"
check "--encoding with an unknown name is refused" test "$(status_of --encoding utf-16)" = 2
check "--help names --column and --encoding" grep -q -- '--column NAME=GRUPPE' "$work/help.txt"

# Every message German: none of the usual English ones of the system and the option parser.
status_of "$work/fehlt.csv" >/dev/null
status_of /tmp >/dev/null
status_of -o >/dev/null
status_of a b >/dev/null
status_of --separator ';;' >/dev/null
check "--separator names the wrong value" grep -q '„;;“ ist kein Trennzeichen' "$work/err.txt"
check "no English message" test -z "$(grep -Ei 'no such|not found|is a directory|required|missing|expected|argument|permission|no space|error|usage|invalid' "$work/all-messages.txt")"

echo "$failures failed"
[ "$failures" -eq 0 ]
