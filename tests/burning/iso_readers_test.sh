#!/usr/bin/env bash
# Images written by "tunevault-tool iso" read back with independent tools:
# isoinfo, isovfy, xorriso and bsdtar (extracted files compared byte for byte).
set -u
fail=0
report() { echo "FAIL $*"; fail=1; }

for tool in isoinfo isovfy xorriso bsdtar; do
    command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed"; exit 1; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# isovfy may only say where the root is, that it found no errors, and describe a
# hidden file's record (flag 1) without anything after it.
check_isovfy() {  # image label [session start]
    local out
    if [ -n "${3:-}" ]; then out=$(isovfy -T "$3" "$1" 2>&1); else out=$(isovfy "$1" 2>&1); fi
    if grep -vE '^(Root at extent [0-9a-f]+, [0-9]+ bytes|\[0 0\]|No errors found)$' <<<"$out" |
        grep -vE '^ *[0-9]+: +[0-9]+ +[0-9]+ +[0-9]+ +Flags=\(1\) +RRlen=0 *$' | grep -q .; then
        report "$2: isovfy"
        head -20 <<<"$out"
    fi
}

# Every file of a source tree, extracted by a reader, equals its source (the Joliet
# tree writes ";" as "_").
compare_tree() {  # label source extracted
    local f rel
    while IFS= read -r -d '' f; do
        rel=${f#"$2"/}
        cmp -s "$f" "$3/${rel//;/_}" || report "$1: $rel differs or is missing"
    done < <(find "$2" -type f -print0)
    [ "$(find "$2" -type f | wc -l)" -eq "$(find "$3" -type f | wc -l)" ] || report "$1: file count"
}

# --- A flat root with a few hundred files -------------------------------------
src="Musik"
mkdir -p "$src/eins" "$src/zwei"
# Colliding 8.3 names from two folders, long names, umlauts, names without
# extension, empty, hidden and larger files, real MP3s.
for i in $(seq 1 150); do
    head -c $((i * 997 % 9000 + 1)) /dev/urandom > "$src/eins/Langer Titel Nummer $i.mp3"
    head -c $((i * 1531 % 7000)) /dev/urandom > "$src/zwei/Langer Titel Nummer $i (Live).mp3"
done
printf 'ohne Endung' > "$src/zwei/README"
printf 'alias' > "$src/zwei/a b"   # its alias AB~1. ...
printf 'echt' > "$src/zwei/ab~1"   # ... and a real name that would give the same
: > "$src/zwei/leer.mp3"
printf 'versteckt' > "$src/zwei/.versteckt.mp3"
head -c 3000000 /dev/urandom > "$src/zwei/Größer Ärger über Köln – eine lange Aufnahme.mp3"
cp "$DATA/mp3/with_id3v1.mp3" "$DATA/mp3/vbr_stereo.mp3" "$src/zwei/"
printf 'fragezeichen' > "$src/eins/a?b.mp3"  # Joliet has no "?" and no "*":
printf 'stern' > "$src/zwei/a*b.mp3"         # both become "a_b", one gets a number
printf 'latin1' > "$src/zwei/B$(printf '\344')r.mp3"  # a name that is not UTF-8
long107="$src/zwei/$(printf 'x%.0s' $(seq 1 103)).mp3"
long108="$src/zwei/$(printf 'y%.0s' $(seq 1 104)).mp3"
printf 'darf' > "$long107"
printf 'zu lang' > "$long108"

mapfile -d '' files < <(find "$src" -type f -print0 | sort -z)
accepted=()
for f in "${files[@]}"; do [ "$f" != "$long108" ] && accepted+=("$f"); done
count=${#accepted[@]}

for mode in joliet plain; do
    image="$mode.iso"
    args=(-o "$image" --volume-id "TuneVault Test")
    [ $mode = plain ] && args+=(--no-joliet)
    log=$("$TOOL" iso "${args[@]}" "${files[@]}" 2>"$mode.err")
    [ $? -eq 1 ] || report "$mode: a left-out file must give exit status 1"
    grep -qxF ">>> SKIPING; FILE NAME LENGTH > 107 $long108" <<<"$log" || report "$mode: no skip line for 108 characters"
    grep -qxF "tunevault-tool: nicht aufgenommen: $long108 (FILE NAME LENGTH > 107)" "$mode.err" || report "$mode: left-out file not named with its reason"
    [ "$(grep -c '^>>> INSERTING FILE "' <<<"$log")" -eq "$count" ] || report "$mode: INSERTING lines"
    grep -qF "INSERTING FILE \"$long108\"" <<<"$log" && report "$mode: the refused file is listed as inserted"

    info=$(isoinfo -d -i "$image")
    grep -q '^Volume id: TUNEVAULT TEST$' <<<"$info" || report "$mode: volume id: $info"
    if [ $mode = joliet ]; then
        grep -q 'Joliet with UCS' <<<"$info" || report "$mode: no Joliet found"
    else
        grep -q 'Joliet with UCS' <<<"$info" && report "$mode: Joliet found"
    fi
    isolist=$(isoinfo -l -i "$image" | grep ';1 *$')
    [ "$(wc -l <<<"$isolist")" -eq "$count" ] || report "$mode: isoinfo -l count"
    # No two records of one directory carry the same ISO identifier.
    [ -z "$(awk '{print $NF}' <<<"$isolist" | sort | uniq -d)" ] || report "$mode: duplicate ISO identifiers"
    check_isovfy "$image" "$mode"

    [ "$(xorriso -indev "$image" -find / -type f 2>/dev/null | grep -c "^'/")" -eq "$count" ] ||
        report "$mode: xorriso count"

    out="out-$mode"
    mkdir -p "$out"
    bsdtar -x -f "$image" -C "$out" || report "$mode: bsdtar"
    if [ $mode = joliet ]; then
        listing=$(isoinfo -J -l -i "$image")
        for f in "${accepted[@]}"; do
            name=$(basename "$f")
            case "$name" in *.*) ;; *) name="$name." ;; esac
            case "$name" in *'?'* | *'*'* | B$'\344'r.mp3) continue ;; esac  # renamed: below
            # libarchive cuts Joliet names after 103 characters (xorriso and isoinfo do not).
            cmp -s "$f" "$out/${name:0:103}" || report "joliet: $name differs or is missing"
            if LC_ALL=C grep -q '^[ -~]*$' <<<"$name"; then  # isoinfo shows non-ASCII names in Latin-1
                grep -qF -- "$name;1" <<<"$listing" || report "joliet: isoinfo -J misses $name"
            fi
        done
        cmp -s "$src/zwei/B$(printf '\344')r.mp3" "$out/Bär.mp3" || report "joliet: Latin-1 name"
        if cmp -s "$src/eins/a?b.mp3" "$out/a_b.mp3"; then
            cmp -s "$src/zwei/a*b.mp3" "$out/a_b (2).mp3" || report "joliet: a*b.mp3 not numbered"
        else
            cmp -s "$src/zwei/a*b.mp3" "$out/a_b.mp3" && cmp -s "$src/eins/a?b.mp3" "$out/a_b (2).mp3" ||
                report "joliet: colliding names"
        fi
        grep -q 'JOLIET NAME "a_b.mp3" IS TAKEN; WRITTEN AS "a_b (2).mp3"' <<<"$log" || report "joliet: renaming not logged"
        grep -qF -- "$(basename "$long107");1" <<<"$listing" || report "joliet: 107 characters cut"
        xorriso -indev "$image" -find / 2>/dev/null | grep -qF "/$(basename "$long107")'" || report "joliet: xorriso name"
    else
        # Short names only: the same contents, as a multiset of checksums.
        want=$(for f in "${accepted[@]}"; do md5sum < "$f"; done | sort)
        got=$(find "$out" -type f -exec sh -c 'md5sum < "$1"' _ {} \; | sort)
        [ "$want" = "$got" ] || report "plain: extracted contents differ"
    fi
done

# --- A nested tree kept with its folders ----------------------------------------
tree="Baum"
deep="$tree"
for level in 1 2 3 4 5 6 7 8 9; do
    deep="$deep/Ebene $level äöü"
    mkdir -p "$deep"
    head -c $((level * 3001)) /dev/urandom > "$deep/Lied $level.mp3"
done
folder110="$tree/$(printf 'o%.0s' $(seq 1 110))"
mkdir -p "$folder110"
printf 'im langen Ordner' > "$folder110/$(printf 'z%.0s' $(seq 1 103)).mp3"  # 107 characters
printf 'Semikolon' > "$tree/Ebene 1 äöü/Teil 1; Teil 2.mp3"
# "." and ".." in the given paths are steps, not folders of the disc.
given=()
while IFS= read -r -d '' f; do given+=("$f"); done < <(find "$tree" -type f -print0 | sort -z)
given+=("./$tree/Ebene 1 äöü/../Ebene 1 äöü/./Lied 1.mp3")  # the same file again: once on the disc
"$TOOL" iso -o nested.iso --keep-path "${given[@]}" > nested.log 2>&1
[ $? -eq 0 ] || report "nested: the repeated file is on the disc once, nothing is left out"
[ "$(grep -c '^>>> INSERTING FILE' nested.log)" -eq "$((${#given[@]} - 1))" ] || report "nested: INSERTING lines"
xorriso -indev nested.iso -find / -type d 2>/dev/null | grep -qE "/\.\.?'" && report "nested: a folder named . or .."
check_isovfy nested.iso nested
isoinfo -J -l -i nested.iso >/dev/null || report "nested: isoinfo -J"
mkdir -p out-nested-x out-nested-b
xorriso -osirrox on -indev nested.iso -extract / out-nested-x >/dev/null 2>&1 || report "nested: xorriso -extract"
compare_tree "nested (xorriso)" "$tree" "out-nested-x/$tree"
bsdtar -x -f nested.iso -C out-nested-b || report "nested: bsdtar"
[ "$(find out-nested-b -type f | wc -l)" -eq "$(find "$tree" -type f | wc -l)" ] || report "nested: bsdtar count"
cmp -s "$deep/Lied 9.mp3" "out-nested-b/${deep}/Lied 9.mp3" || report "nested: bsdtar deepest file"

# --- A session appended behind an earlier one ------------------------------------
"$TOOL" iso -o session.iso --session-start 20000 --keep-path "$tree/Ebene 1 äöü/Lied 1.mp3" \
    "$src/zwei/with_id3v1.mp3" >/dev/null || report "session: tunevault-tool iso failed"
size=$(stat -c %s session.iso)
[ "$size" -ge $((20000 * 2048)) ] || report "session: the session is not at its address"
[ "$(du -k session.iso | cut -f1)" -lt 4096 ] || report "session: the file is not sparse"
volume=$(isoinfo -d -i session.iso | sed -n 's/^Volume size is: //p')
[ "${volume:-0}" -gt 20000 ] && [ "$volume" -le $((size / 2048)) ] || report "session: volume size $volume"
isoinfo -d -T 20000 -i session.iso >/dev/null || report "session: isoinfo -T"
check_isovfy session.iso session
[ "$(xorriso -indev session.iso -find / -type f 2>/dev/null | grep -c "^'/")" -eq 2 ] || report "session: xorriso"
mkdir -p out-session
bsdtar -x -f session.iso -C out-session || report "session: bsdtar"
cmp -s "$src/zwei/with_id3v1.mp3" "out-session/$src/zwei/with_id3v1.mp3" || report "session: file differs"
cmp -s "$tree/Ebene 1 äöü/Lied 1.mp3" "out-session/$tree/Ebene 1 äöü/Lied 1.mp3" || report "session: nested file differs"

# --- Failures --------------------------------------------------------------------
# A failure to write the image is an exit status of 1 with a message, and no file.
"$TOOL" iso -o "no/such/folder/x.iso" "${accepted[0]}" >/dev/null 2>err
[ $? -eq 1 ] && [ -s err ] || report "exit status for an unwritable image"
"$TOOL" iso -o x.iso >/dev/null 2>&1
[ $? -eq 2 ] || report "usage error"
"$TOOL" iso -o x.iso --session-start 12x "${accepted[0]}" >/dev/null 2>&1
[ $? -eq 2 ] || report "a bad session start is a usage error"
# The image never replaces one of its sources, under any of its names.
cp "$src/zwei/with_id3v1.mp3" source.mp3
ln source.mp3 other-name.mp3
before=$(md5sum < source.mp3)
"$TOOL" iso -o other-name.mp3 source.mp3 >/dev/null 2>&1
[ $? -eq 2 ] || report "an input as the image is refused"
[ "$(md5sum < source.mp3)" = "$before" ] || report "the input was destroyed"
# A missing input is named and makes the run fail; the others are still written.
"$TOOL" iso -o partial.iso source.mp3 gone.mp3 >/dev/null 2>err
[ $? -eq 1 ] || report "a missing input must give exit status 1"
grep -q "gone.mp3" err || report "the missing input is not named"
isoinfo -l -i partial.iso | grep -q "SOURCE.MP3;1" || report "the image lacks the present input"
# No temporary file is left behind.
ls -a | grep -q '^\..*\.iso\.' && report "temporary files left behind"
exit $fail
