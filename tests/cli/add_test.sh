#!/usr/bin/env bash
# tunevault-tool add on a real tree: which files count (types, hidden folders,
# regular files only), exact paths (names differing in case are two files, names
# that are not UTF-8 kept as bytes), files that cannot be read named and left out,
# names a list cannot hold refused, a second run adding nothing, and lists that
# must not be written over left alone. The list is read back with Python's csv.
set -u
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$3], got [$2]"; fail=1; fi; }

# As root the tool runs as "nobody" (see run below), who must reach the folder: the
# temporary folder, or /tmp where that one is closed to other users.
base=${TMPDIR:-/tmp}
if [ "$(id -u)" = 0 ] && ! su nobody -s /bin/sh -c "cd $(printf '%q' "$base")" 2>/dev/null; then
    base=/tmp
fi
dir=$(mktemp -d -p "$base")
trap '[ -n "${KEEP:-}" ] || rm -rf "$dir"' EXIT
chmod 755 "$dir"
m="$dir/Musik"
mkdir -p "$m/Band/2001" "$m/.versteckt" "$m/Sonstiges"
cp "$DATA/mp3/with_id3v1.mp3" "$m/Band/2001/01 - band - lied.mp3"
cp "$DATA/mp3/cbr128_stereo.mp3" "$m/Band/x.MP3"
cp "$DATA/mp3/cbr128_stereo.mp3" "$m/Band/X.mp3"
cp "$DATA/mp3/cbr128_stereo.mp3" "$m/.versteckt/nie.mp3"
cp "$DATA/mp3/vbr_stereo.mp3" "$m/Sonstiges/a;b (c).mp3"
cp "$DATA/mp3/vbr_stereo.mp3" "$m/Sonstiges/$(printf 'nicht\xffutf8.mp3')"
cp "$DATA/mp3/vbr_stereo.mp3" "$m/Sonstiges/$(printf 'zeilen\numbruch.mp3')"
cp "$DATA/mp3/vbr_stereo.mp3" "$m/Sonstiges/b.mp2"
cp "$DATA/mp3/no_frames.wav" "$m/Sonstiges/klang.wav"
cp "$DATA/mp3/vbr_stereo.mp3" "$m/Sonstiges/gesperrt.mp3"
chmod 000 "$m/Sonstiges/gesperrt.mp3"
echo x > "$m/Sonstiges/liesmich.txt"
mkfifo "$m/Sonstiges/fifo.mp3"
chmod -R a+rX "$m" 2>/dev/null; chmod 000 "$m/Sonstiges/gesperrt.mp3"
chmod 777 "$dir"

# As an ordinary user, so that the locked file really cannot be read.
run() {
    if [ "$(id -u)" = 0 ]; then
        timeout 60 su nobody -s /bin/bash -c "$(printf '%q ' "$TOOL" "$@")"
    else
        timeout 60 "$TOOL" "$@"
    fi
}
names() {  # the "Dateiname" cells of a list, one per line, as bytes
    /usr/bin/python3 - "$1" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8", errors="surrogateescape", newline=""),
                       delimiter="\t", quoting=csv.QUOTE_NONE))
for row in rows[1:]:
    sys.stdout.buffer.write(row[7].encode("utf-8", "surrogateescape") + b"\n")
PY
}

run add "$m" "$dir/L.TSV" 2> "$dir/err"
check "first run status" $? 1
grep -q "gesperrt.mp3" "$dir/err" || { echo "FAIL the locked file is not named"; fail=1; }
grep -q "umbruch.mp3" "$dir/err" || { echo "FAIL the name with a line break is not named"; fail=1; }
expected=$(printf '%s\n' "$m/Band/2001/01 - band - lied.mp3" "$m/Band/X.mp3" "$m/Band/x.MP3" \
    "$m/Sonstiges/a;b (c).mp3" "$m/Sonstiges/klang.wav" "$m/Sonstiges/$(printf 'nicht\xffutf8.mp3')" | sort)
check "files" "$(names "$dir/L.TSV" | sort)" "$expected"
/usr/bin/python3 - "$dir/L.TSV" <<'PY' || fail=1
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8", errors="surrogateescape", newline=""),
                       delimiter="\t", quoting=csv.QUOTE_NONE))
assert rows[0][:12] == ["Titel", "Interpret", "Zeit", "Album", "Genre", "Jahr", "Bitrate",
                        "Dateiname", "Kommentar", "gespielt", "zuletzt", "Image"], rows[0]
tagged = [r for r in rows[1:] if r[7].endswith("01 - band - lied.mp3")][0]
assert tagged[0] == "Über Alles" and tagged[1] == "Die Ärzte" and tagged[6] == "128", tagged
guessed = [r for r in rows[1:] if r[7].endswith("x.MP3")][0]
assert guessed[0] == "X" and guessed[1] == "Band" and guessed[2] == "00:03", guessed
PY

# A second run adds the file that can be read now; a third adds nothing and leaves
# the list's bytes as they were.
chmod 644 "$m/Sonstiges/gesperrt.mp3"
rm "$m/Sonstiges/"zeilen*
run add "$m" "$dir/L.TSV" 2>/dev/null
check "second run status" $? 0
check "second run adds the file now readable" "$(names "$dir/L.TSV" | grep -c gesperrt)" 1
before=$(md5sum < "$dir/L.TSV")
run add "$m" "$dir/L.TSV" 2>/dev/null
check "third run status" $? 0
check "rows after the third run" "$(names "$dir/L.TSV" | wc -l)" 7
check "the third run keeps the bytes" "$(md5sum < "$dir/L.TSV")" "$before"

# Types: only MP2.
timeout 60 "$TOOL" add --types mp2 "$m" "$dir/M.TSV" 2>/dev/null
check "mp2 status" $? 0
check "mp2 files" "$(names "$dir/M.TSV")" "$m/Sonstiges/b.mp2"
"$TOOL" add --types mp4 "$m" "$dir/N.TSV" >/dev/null 2>&1
check "unknown type" $? 2
[ -e "$dir/N.TSV" ] && { echo "FAIL a list was written for a wrong call"; fail=1; }

# A folder that is not there is named; the others are still added.
"$TOOL" add "$dir/fehlt" "$m/Band" "$dir/O.TSV" 2> "$dir/err"
check "missing folder status" $? 1
grep -q "fehlt" "$dir/err" || { echo "FAIL the missing folder is not named"; fail=1; }
check "missing folder: the rest" "$(names "$dir/O.TSV" | wc -l)" 3

# Lists that must not be written over: a FIFO, and a file that is no list.
mkfifo "$dir/F.TSV"
timeout 20 "$TOOL" add "$m/Band" "$dir/F.TSV" >/dev/null 2>&1
check "fifo list status" $? 1
[ -p "$dir/F.TSV" ] || { echo "FAIL the FIFO was replaced"; fail=1; }
printf 'Titel\r\nA\0B\r\nC\r\n' > "$dir/Z.TSV"
before=$(md5sum < "$dir/Z.TSV")
"$TOOL" add "$m/Band" "$dir/Z.TSV" >/dev/null 2>&1
check "binary list status" $? 1
check "binary list kept" "$(md5sum < "$dir/Z.TSV")" "$before"
ls "$dir" | grep -q '^\.' && { echo "FAIL a temporary file was left"; fail=1; }

exit $fail
