#!/usr/bin/env bash
# The real program, asked to end by a signal, saves its settings and lists the
# normal way. The list files are written with LF line ends, so a save (CR LF) shows.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$PROGRAM" "$dir/tunevault"
fail=0

# Starts the program in $dir (pid in $pid) and waits until its log shows the text
# (at most 30 s); false when it never does.
start_and_wait_for() {
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="tunevault.startup.info=true;tunevault.prompts.info=true" \
        "$dir/tunevault" 2> "$dir/log" &
    pid=$!
    wait_for "$1"
}
# Waits until the log shows the text (at most 30 s); false when it never does.
wait_for() {
    for _ in $(seq 1 300); do
        grep -q "$1" "$dir/log" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "FAIL: the log never showed \"$1\""; cat "$dir/log"
    return 1
}
# Sends SIGTERM and waits up to 10 s; true when the program has ended.
terminate_and_wait() {
    kill -TERM $pid
    for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    if kill -0 $pid 2>/dev/null; then
        kill -9 $pid
        return 1
    fi
    wait $pid
}

for signal in TERM INT HUP; do
    rm -f "$dir"/*.TSV "$dir"/SONGVAT.INI "$dir/log"
    printf 'Titel\tInterpret\nSong\tBand\t\t\t\t\t\t/m/song.mp3\n' > "$dir/ALL_SONGS.TSV"
    start_and_wait_for "Listen geladen"
    if ! grep -q "Listen geladen" "$dir/log"; then
        echo "FAIL $signal: program did not start"; cat "$dir/log"; kill -9 $pid; fail=1; continue
    fi
    kill -"$signal" $pid
    wait $pid
    rc=$?
    [ $rc -eq 0 ] || { echo "FAIL $signal: exit status $rc"; fail=1; }
    expected=$(printf 'Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt\tzuletzt\tImage\t\r\nSong\tBand\t\t\t\t\t\t/m/song.mp3\t\t\t\t\t\r\n')
    [ "$(cat "$dir/ALL_SONGS.TSV")" = "$expected" ] || { echo "FAIL $signal: catalogue not saved"; od -c "$dir/ALL_SONGS.TSV" | head; fail=1; }
    for f in SELECTION.TSV PLAYLIST.TSV DOUBLES.TSV; do
        [ -f "$dir/$f" ] || { echo "FAIL $signal: $f not written"; fail=1; }
    done
    grep -q '^NormPos=' "$dir/SONGVAT.INI" || { echo "FAIL $signal: settings not written"; fail=1; }
done
# A signal while a modal message box is open (an unreadable list at start) ends the
# program too; the lists that were read are saved, the unreadable one is left alone.
rm -rf "$dir"/*.TSV "$dir"/SONGVAT.INI "$dir/log"
mkdir "$dir/SELECTION.TSV"
printf 'Titel\tInterpret\nSong\tBand\t\t\t\t\t\t/m/song.mp3\n' > "$dir/ALL_SONGS.TSV"
start_and_wait_for "Meldung offen: Fehler beim Laden" || fail=1
terminate_and_wait
rc=$?
if [ $rc -ne 0 ]; then
    echo "FAIL modal: the program did not end or failed (status $rc)"; fail=1
else
    [ "$(cat "$dir/ALL_SONGS.TSV")" = "$expected" ] || { echo "FAIL modal: catalogue not saved"; fail=1; }
    [ -d "$dir/SELECTION.TSV" ] || { echo "FAIL modal: the unreadable list was replaced"; fail=1; }
fi
# A signal while the settings file cannot be written (it is a link to a file of
# /proc: readable, but nothing can be made beside it, not even by root) asks
# nobody: the failure goes to standard error, the lists are saved and the
# program ends.
rm -rf "$dir"/*.TSV "$dir"/SONGVAT.INI "$dir/log"
ln -s /proc/version "$dir/SONGVAT.INI"
printf 'Titel\tInterpret\nSong\tBand\t\t\t\t\t\t/m/song.mp3\n' > "$dir/ALL_SONGS.TSV"
start_and_wait_for "Listen geladen"
if ! terminate_and_wait; then
    echo "FAIL settings: the program waits (for a message box?) or failed"; fail=1
else
    [ "$(cat "$dir/ALL_SONGS.TSV")" = "$expected" ] || { echo "FAIL settings: catalogue not saved"; fail=1; }
    grep -q "nicht gespeichert werden" "$dir/log" || { echo "FAIL settings: the failure is not reported"; cat "$dir/log"; fail=1; }
fi
# A signal while a box is open before the main loop runs (the settings file
# cannot be read at the first showing) ends the program too; nothing was loaded,
# so the list file stays as it was.
rm -rf "$dir"/*.TSV "$dir"/SONGVAT.INI "$dir/log"
mkdir "$dir/SONGVAT.INI"
printf 'Titel\tInterpret\n' > "$dir/ALL_SONGS.TSV"
start_and_wait_for "Meldung offen:" || fail=1
if ! terminate_and_wait; then
    echo "FAIL start box: the program did not end or failed"; fail=1
else
    [ "$(cat "$dir/ALL_SONGS.TSV")" = "$(printf 'Titel\tInterpret\n')" ] || { echo "FAIL start box: list changed"; fail=1; }
fi
exit $fail
