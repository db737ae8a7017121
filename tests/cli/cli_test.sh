#!/usr/bin/env bash
# The command-line tool on real files.
set -u
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$3], got [$2]"; fail=1; fi; }

dir=$(mktemp -d)
trap 'rm -rf "$dir" "${many:-}"' EXIT

check version "$("$TOOL" --version)" "tunevault-tool 2.01"

printf 'Titel\tInterpret\t\r\na\tb\t\r\nc\td\t\r\ne\r\n' > "$dir/L.TSV"
check list "$("$TOOL" list "$dir/L.TSV")" "3 rows, 2 columns"
# A zero byte inside is refused with its position; a spreadsheet's "Unicode text"
# (UTF-16 with its mark) is read.
printf 'Titel\tInterpret\t\r\na\0b\tc\t\r\n' > "$dir/Z.TSV"
"$TOOL" list "$dir/Z.TSV" >/dev/null 2>"$dir/err"
check list-zero-byte $? 1
grep -q "Z.TSV: Nullbyte bei Byte 19" "$dir/err" || { echo "FAIL list-zero-message: $(cat "$dir/err")"; fail=1; }
printf 'Titel\tInterpret\t\t\t\t\t\tDateiname\r\nÜber\tÄrzte\t\t\t\t\t\t/ü.mp3\r\nzwei\tx\t\t\t\t\t\t/x.mp3\r\n' |
    iconv -f UTF-8 -t UTF-16 > "$dir/U.TSV"
check list-utf16 "$("$TOOL" list "$dir/U.TSV")" "2 rows, 8 columns"
check search-utf16 "$("$TOOL" search "über" "$dir/U.TSV" | sed -n 2p | cut -f2)" "Ärzte"

# info: one line per file, tag texts in UTF-8, "error" for a failed analysis.
data="$DATA/mp3"
printf 'x' > "$dir/one.mp3"
out=$("$TOOL" info "$data/with_id3v1.mp3" "$data/no_frames.wav" "$dir/one.mp3" "$dir/none.mp3")
check info-header "$(echo "$out" | head -1)" "$(printf 'path\tresult\tDuration\tFileSize\tVersion\tLayer\tSampleRate\tBitRate\tChannelMode\tFrameLength\tEncoder\tTitle\tArtist\tAlbum\tYear\tComment\tGenre\tTags')"
check info-mp3 "$(echo "$out" | sed -n 2p)" "$(printf '%s\t0\t3\t48611\t1\t3\t44100\t128\t1\t417\tmp3 Producer\tÜber Alles\tDie Ärzte\tDas Album\t1998\tKommentar\tRock\tID3v1.1' "$data/with_id3v1.mp3")"
check info-wav "$(echo "$out" | sed -n 3p | cut -f2,3,11)" "$(printf -- '-1\t0\tEncoder nicht erkannt')"
check info-tiny "$(echo "$out" | sed -n 4p | cut -f2)" "0"
check info-missing "$(echo "$out" | sed -n 5p | cut -f2)" "-1"
head -c 200 "$data/mpeg25_cbr16.mp3" > "$dir/short.mp3"  # one frame fits, the Xing test does not
check info-error "$("$TOOL" info "$dir/short.mp3" | sed -n 2p | cut -f2)" "error"
"$TOOL" info >/dev/null 2>&1
check info-usage $? 2
# A file that cannot be analysed fails the run.
"$TOOL" info "$data/with_id3v1.mp3" >/dev/null
check info-exit-ok $? 0
"$TOOL" info "$data/with_id3v1.mp3" "$dir/short.mp3" >/dev/null
check info-exit-failed $? 1

# drives: the simulated recorder is listed and described with its disc.
out=$("$TOOL" drives --sim cd-r --sim-image "$dir/disc.img" 2>/dev/null)
check drives-transport "$(echo "$out" | head -1)" "transport: KVASPI32"
echo "$out" | grep -q '^drive: .*,sim0: TUNEVLT SIMULATED WRITER1.00$' || { echo "FAIL drives-list: $out"; fail=1; }
echo "$out" | grep -q '^  write modes: SAO TAO$' || { echo "FAIL drives-modes"; fail=1; }
echo "$out" | grep -q '^  disc: CD-R (CD-R), blank, 0 sessions, capacity 359847 blocks$' || { echo "FAIL drives-disc: $out"; fail=1; }
echo "$out" | grep -q '^  free blocks: 359847$' || { echo "FAIL drives-free"; fail=1; }
# An existing file is never emptied as the simulated disc unless that is asked for.
printf 'wertvoll' > "$dir/mine.img"
"$TOOL" drives --sim cd-r --sim-image "$dir/mine.img" >/dev/null 2>"$dir/err"
check drives-existing-image $? 2
check drives-existing-kept "$(cat "$dir/mine.img")" "wertvoll"
grep -q -- "--sim-overwrite" "$dir/err" || { echo "FAIL drives-existing-message"; fail=1; }
"$TOOL" drives --sim cd-r --sim-image "$dir/mine.img" --sim-overwrite >/dev/null 2>&1
check drives-overwrite $? 0
ln -s "$dir/elsewhere.img" "$dir/link.img"
"$TOOL" drives --sim cd-r --sim-image "$dir/link.img" --sim-overwrite >/dev/null 2>&1
check drives-link-refused $? 2
[ -e "$dir/elsewhere.img" ] && { echo "FAIL drives-link: followed"; fail=1; }
before=$(ls /tmp | grep -c '^tunevault-sim-')
"$TOOL" drives --sim cd-r >/dev/null 2>&1
check drives-temporary-removed "$(ls /tmp | grep -c '^tunevault-sim-')" "$before"
out=$("$TOOL" drives --sim dvd+rw 2>/dev/null)
echo "$out" | grep -q '^  disc: DVD+RW' || { echo "FAIL drives-dvd: $out"; fail=1; }
"$TOOL" drives --sim floppy >/dev/null 2>&1
check drives-usage $? 2

"$TOOL" list "$dir/missing.TSV" 2>/dev/null
check missing-exit $? 1
"$TOOL" bogus >/dev/null 2>&1
check usage-exit $? 2
# iso: more files than an image takes. The ones that went in are listed, each one
# refused is named with its reason, and the run fails.
# (In memory where there is a tmpfs: creating 70,000 files on disk takes long.)
many=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
(cd "$many" && seq -f '%05g.mp3' 1 70000 | xargs touch)
(cd "$many" && "$TOOL" iso -o "$dir/many.iso" $(seq -f '%05g.mp3' 1 70000) > "$dir/many.out" 2> "$dir/many.err")
check iso-many-exit $? 1
check iso-many-inserted "$(grep -c '^>>> INSERTING FILE' "$dir/many.out")" 65535
check iso-many-refused "$(grep -c '^MAXIMUM FILES CAN BE 65535$' "$dir/many.out")" 4465
check iso-many-named "$(grep -c '^tunevault-tool: nicht aufgenommen: ' "$dir/many.err")" 4465
grep -q '^>>> INSERTING FILE "65536.mp3"' "$dir/many.out" && { echo "FAIL iso-many: 65536 listed"; fail=1; }
rm -rf "$many" "$dir/many.iso"

# burn: the image recorder writes the bytes "iso" writes for the same files, and
# a simulated disc takes the same session; erase empties a rewritable one.
export SOURCE_DATE_EPOCH=1700000000
cp "$data/with_id3v1.mp3" "$data/vbr_stereo.mp3" "$dir/"
out=$("$TOOL" burn --image "$dir/burned.iso" "$dir/with_id3v1.mp3" "$dir/vbr_stereo.mp3")
check burn-image-exit $? 0
check burn-image-last "$(echo "$out" | tail -1)" ">>> BURNCD DONE, Successful!"
"$TOOL" iso -o "$dir/made.iso" "$dir/with_id3v1.mp3" "$dir/vbr_stereo.mp3" >/dev/null
cmp -s "$dir/burned.iso" "$dir/made.iso" || { echo "FAIL burn-image: not the bytes of iso"; fail=1; }
out=$("$TOOL" burn --sim cd-r --sim-image "$dir/cd.img" --device 0:0:0 "$dir/with_id3v1.mp3" "$dir/vbr_stereo.mp3")
check burn-sim-exit $? 0
echo "$out" | grep -q '^>>> STARTING WRITE PROCESS ON CD-R AT 63X (11,080 KB/s)$' || { echo "FAIL burn-sim: $out"; fail=1; }
cmp -s "$dir/cd.img" "$dir/made.iso" || { echo "FAIL burn-sim: the disc differs"; fail=1; }
out=$("$TOOL" burn --sim cd-rom --device 0:0:0 "$dir/with_id3v1.mp3" 2>&1)
check burn-pressed-disc-exit $? 1
echo "$out" | grep -q "Brennen nicht möglich: Die eingelegte CD-ROM ist gepresst" || { echo "FAIL burn-pressed-disc: $out"; fail=1; }
# A file left out fails the run, and is named with its reason.
"$TOOL" burn --image "$dir/weg.iso" "$dir/with_id3v1.mp3" "$dir/none.mp3" >/dev/null 2>"$dir/err"
check burn-missing-left-out $? 1
grep -qF "nicht aufgenommen: $dir/none.mp3 (No such file or directory)" "$dir/err" || { echo "FAIL burn-missing-named: $(cat "$dir/err")"; fail=1; }
# Nothing to burn: no burn, no image.
"$TOOL" burn --image "$dir/leer.iso" "$dir/none.mp3" >/dev/null 2>"$dir/err"
check burn-nothing $? 1
[ -e "$dir/leer.iso" ] && { echo "FAIL burn-nothing: an image was written"; fail=1; }
grep -q "es wird nicht gebrannt" "$dir/err" || { echo "FAIL burn-nothing message"; fail=1; }
out=$("$TOOL" erase --sim cd-rw --device 0:0:0)
check erase-exit $? 0
check erase-last "$(echo "$out" | tail -1)" ">>> ERASE PROCESS DONE"
"$TOOL" erase --sim cd-r --device 0:0:0 >/dev/null 2>"$dir/err"
check erase-cd-r $? 1
grep -q "CD/DVD kann nicht gelöscht werden" "$dir/err" || { echo "FAIL erase-cd-r message"; fail=1; }
"$TOOL" burn --device 0:0:0 >/dev/null 2>&1
check burn-usage $? 2
"$TOOL" burn --image a.iso --device 0:0:0 x.mp3 >/dev/null 2>&1
check burn-usage-both $? 2
unset SOURCE_DATE_EPOCH

# --- The command line never destroys a user's file --------------------------------
song="$dir/with_id3v1.mp3"
sum=$(md5sum < "$song")
unchanged() { [ "$(md5sum < "$song")" = "$sum" ] || { echo "FAIL $1: the song was changed"; fail=1; }; }
# The simulated disc's image file is emptied only when asked, never a source.
"$TOOL" burn --sim cd-r --sim-image "$song" --device 0:0:0 "$song" >/dev/null 2>&1
check burn-sim-image-existing $? 2
"$TOOL" burn --sim cd-r --sim-image "$song" --sim-overwrite --device 0:0:0 "$song" >/dev/null 2>&1
check burn-sim-image-source $? 2
"$TOOL" erase --sim cd-rw --sim-image "$song" --device 0:0:0 >/dev/null 2>&1
check erase-sim-image-existing $? 2
unchanged sim-image
# An image never replaces a source, a FIFO, a device, or (without --force) a file
# that holds no image.
"$TOOL" burn --image "$song" "$song" >/dev/null 2>&1
check burn-image-source $? 2
"$TOOL" iso -o "$song" "$song" >/dev/null 2>&1
check iso-source $? 2
cp "$data/vbr_stereo.mp3" "$dir/other.mp3"
other=$(md5sum < "$dir/other.mp3")
"$TOOL" iso -o "$dir/other.mp3" "$song" >/dev/null 2>"$dir/err"
check iso-no-image $? 2
grep -q -- "--force" "$dir/err" || { echo "FAIL iso-no-image message: $(cat "$dir/err")"; fail=1; }
[ "$(md5sum < "$dir/other.mp3")" = "$other" ] || { echo "FAIL iso-no-image: replaced"; fail=1; }
"$TOOL" iso -o "$dir/other.mp3" --force "$song" >/dev/null 2>&1
check iso-force $? 0
isoinfo -d -i "$dir/other.mp3" >/dev/null 2>&1 || { echo "FAIL iso-force: no image"; fail=1; }
"$TOOL" iso -o "$dir/other.mp3" "$song" >/dev/null 2>&1
check iso-over-image $? 0
mkfifo "$dir/image.fifo"
timeout 10 "$TOOL" burn --image "$dir/image.fifo" "$song" >/dev/null 2>&1
check burn-image-fifo $? 2
timeout 10 "$TOOL" iso -o "$dir/image.fifo" "$song" >/dev/null 2>&1
check iso-fifo $? 2
[ -p "$dir/image.fifo" ] || { echo "FAIL iso-fifo: replaced"; fail=1; }
if [ "$(id -u)" = 0 ] && mknod "$dir/device" c 1 3 2>/dev/null; then
    "$TOOL" iso -o "$dir/device" "$song" >/dev/null 2>&1
    check iso-device $? 2
    [ -c "$dir/device" ] || { echo "FAIL iso-device: replaced"; fail=1; }
fi
# A test write into an image file is refused at once; the old image stays.
cp "$dir/made.iso" "$dir/kept.iso"
"$TOOL" burn --image "$dir/kept.iso" --test-write "$song" >/dev/null 2>&1
check burn-image-test-write $? 2
cmp -s "$dir/kept.iso" "$dir/made.iso" || { echo "FAIL burn-image-test-write: replaced"; fail=1; }
unchanged image-targets
# Nothing to put into an image: an old image stays as it is.
"$TOOL" iso -o "$dir/kept.iso" "$dir/none1.mp3" "$dir/none2.mp3" >/dev/null 2>"$dir/err"
check iso-nothing $? 1
cmp -s "$dir/kept.iso" "$dir/made.iso" || { echo "FAIL iso-nothing: replaced"; fail=1; }
grep -q "nicht aufgenommen: $dir/none1.mp3 (No such file or directory)" "$dir/err" || { echo "FAIL iso-nothing reason: $(cat "$dir/err")"; fail=1; }
# Images follow the user's umask; no temporary file stays beside them.
(umask 027 && "$TOOL" iso -o "$dir/private.iso" "$song" >/dev/null 2>&1)
check iso-umask "$(stat -c %a "$dir/private.iso")" 640
[ -z "$(ls -A "$dir" | grep '^\.tv')" ] || { echo "FAIL temporary files left: $(ls -A "$dir")"; fail=1; }
# A signal in the middle of an image removes its temporary file.
big=$(mktemp -d)
truncate -s 700M "$big/big.mp3"
"$TOOL" iso -o "$big/big.iso" "$big/big.mp3" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 1 100); do [ -n "$(ls -A "$big" | grep '^\.tv')" ] && break; sleep 0.05; done
kill -INT $pid
wait $pid
check iso-interrupted-status $? 130
[ -z "$(ls -A "$big" | grep '^\.tv')" ] || { echo "FAIL iso-interrupted: temporary file left"; fail=1; }
[ -e "$big/big.iso" ] && { echo "FAIL iso-interrupted: an image"; fail=1; }
rm -rf "$big"

# A full disk: the image's burn says so in the system's words, and leaves nothing.
if [ "$(id -u)" = 0 ] && mkdir "$dir/full" && mount -t tmpfs -o size=1m tmpfs "$dir/full" 2>/dev/null; then
    head -c 3000000 /dev/urandom > "$dir/large.mp3"
    out=$("$TOOL" burn --image "$dir/full/x.iso" "$dir/large.mp3" 2>&1)
    check burn-full-disk $? 1
    echo "$out" | grep -q '^>>> BURNCD DONE, .*No space left on device' || { echo "FAIL burn-full-disk: $out"; fail=1; }
    "$TOOL" iso -o "$dir/full/y.iso" "$dir/large.mp3" >/dev/null 2>"$dir/err"
    check iso-full-disk $? 1
    grep -q 'No space left on device' "$dir/err" || { echo "FAIL iso-full-disk: $(cat "$dir/err")"; fail=1; }
    [ -z "$(ls -A "$dir/full")" ] || { echo "FAIL full disk: left $(ls -A "$dir/full")"; fail=1; }
    umount "$dir/full"
fi

# --- Files of one name all go on the disc ------------------------------------------
mkdir -p "$dir/A" "$dir/B"
printf 'first intro' > "$dir/A/01 Intro.mp3"
printf 'second intro, longer' > "$dir/B/01 Intro.mp3"
out=$("$TOOL" iso -o "$dir/intro.iso" "$dir/A/01 Intro.mp3" "$dir/B/01 Intro.mp3")
check same-names-exit $? 0
echo "$out" | grep -qF '>>> FILE NAME "01 Intro.mp3" IS TAKEN; WRITTEN AS "01 Intro (2).mp3"' || { echo "FAIL same-names log: $out"; fail=1; }
mkdir "$dir/intro"
xorriso -osirrox on -indev "$dir/intro.iso" -extract / "$dir/intro" >/dev/null 2>&1
cmp -s "$dir/A/01 Intro.mp3" "$dir/intro/01 Intro.mp3" || { echo "FAIL same-names: first file"; fail=1; }
cmp -s "$dir/B/01 Intro.mp3" "$dir/intro/01 Intro (2).mp3" || { echo "FAIL same-names: second file"; fail=1; }
check same-names-iso-level "$(isoinfo -f -i "$dir/intro.iso" | sort | tr '\n' ' ')" "/01INTR~1.MP3;1 /01INTR~2.MP3;1 "

# --- One drive list for every command ------------------------------------------------
out=$("$TOOL" drives 2>/dev/null)
echo "$out" | grep -q ',sim0:' && { echo "FAIL drives: a simulated drive without --sim"; fail=1; }
last=$(echo "$out" | grep '^drive: ' | tail -1)
case "$last" in *",Image-Datei: "*) ;; *) echo "FAIL drives: the image recorder is not last: $last"; fail=1 ;; esac
recorder=$(echo "$last" | sed 's/^drive: \([0-9:]*\),.*/\1/')
"$TOOL" burn --device "$recorder" "$song" >/dev/null 2>"$dir/err"
check burn-device-image-recorder $? 1
grep -q "mit --image" "$dir/err" || { echo "FAIL burn-device-image-recorder message: $(cat "$dir/err")"; fail=1; }
out=$("$TOOL" drives --sim dvd+r 2>/dev/null | grep '^drive: ')
echo "$out" | sed -n 1p | grep -q ',sim0:' || echo "$out" | grep -q ',sim0:' || { echo "FAIL drives --sim: $out"; fail=1; }
echo "$out" | tail -1 | grep -q ',Image-Datei:' || { echo "FAIL drives --sim: image recorder not last"; fail=1; }
# A test write on a medium without one is refused before anything happens.
"$TOOL" burn --sim dvd+rw --device 0:0:0 --test-write "$song" >/dev/null 2>"$dir/err"
check burn-test-write-dvd-plus $? 1
grep -q "kennt keinen Testlauf" "$dir/err" || { echo "FAIL burn-test-write-dvd-plus message: $(cat "$dir/err")"; fail=1; }

# Files that are not regular files are refused at once, never read for ever.
mkfifo "$dir/pipe.TSV"
timeout 10 "$TOOL" list /dev/zero >/dev/null 2>"$dir/err"
check list-device $? 1
grep -q "keine gewöhnliche Datei" "$dir/err" || { echo "FAIL list-device message: $(cat "$dir/err")"; fail=1; }
timeout 10 "$TOOL" list "$dir/pipe.TSV" >/dev/null 2>&1
check list-fifo $? 1
out=$(timeout 10 "$TOOL" info "$dir/pipe.TSV" | sed -n 2p | cut -f2)
check info-fifo "$out" "error"
exit $fail
