#!/usr/bin/env bash
# Images written by "tunevault-tool iso" read back with independent tools:
# isoinfo, isovfy, xorriso and bsdtar (every extracted file compared byte for byte).
set -u
fail=0
report() { echo "FAIL $*"; fail=1; }

for tool in isoinfo isovfy xorriso bsdtar; do
    command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed"; exit 1; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
src="$dir/Musik"
mkdir -p "$src/eins" "$src/zwei"

# A few hundred files: colliding 8.3 names from two folders, long names, umlauts,
# names without extension, empty, hidden and larger files, real MP3s.
for i in $(seq 1 150); do
    head -c $((i * 997 % 9000 + 1)) /dev/urandom > "$src/eins/Langer Titel Nummer $i.mp3"
    head -c $((i * 1531 % 7000)) /dev/urandom > "$src/zwei/Langer Titel Nummer $i (Live).mp3"
done
printf 'ohne Endung' > "$src/zwei/README"
: > "$src/zwei/leer.mp3"
printf 'versteckt' > "$src/zwei/.versteckt.mp3"
head -c 3000000 /dev/urandom > "$src/zwei/Größer Ärger über Köln – eine lange Aufnahme.mp3"
cp "$DATA/mp3/with_id3v1.mp3" "$DATA/mp3/vbr_stereo.mp3" "$src/zwei/"
long107="$src/zwei/$(printf 'x%.0s' $(seq 1 103)).mp3"
long108="$src/zwei/$(printf 'y%.0s' $(seq 1 104)).mp3"
printf 'darf' > "$long107"
printf 'zu lang' > "$long108"

mapfile -d '' files < <(find "$src" -type f -print0 | sort -z)
accepted=()
for f in "${files[@]}"; do [ "$f" != "$long108" ] && accepted+=("$f"); done
count=${#accepted[@]}

expect_name() {  # the long name as the disc shows it: a dot added where there is none
    local name; name=$(basename "$1")
    case "$name" in *.*) echo "$name" ;; *) echo "$name." ;; esac
}

for mode in joliet plain; do
    image="$dir/$mode.iso"
    args=(-o "$image" --volume-id "TuneVault Test")
    [ $mode = plain ] && args+=(--no-joliet)
    log=$("$TOOL" iso "${args[@]}" "${files[@]}") || { report "$mode: tunevault-tool iso failed"; continue; }
    grep -qxF ">>> SKIPING; FILE NAME LENGTH > 107 $long108" <<<"$log" || report "$mode: no skip line for 108 characters"
    [ "$(grep -c '^>>> INSERTING FILE "' <<<"$log")" -eq "${#files[@]}" ] || report "$mode: INSERTING lines"

    info=$(isoinfo -d -i "$image")
    grep -q '^Volume id: TUNEVAULT TEST$' <<<"$info" || report "$mode: volume id: $info"
    if [ $mode = joliet ]; then
        grep -q 'Joliet with UCS' <<<"$info" || report "$mode: no Joliet found"
    else
        grep -q 'Joliet with UCS' <<<"$info" && report "$mode: Joliet found"
    fi
    [ "$(isoinfo -l -i "$image" | grep -c ';1 *$')" -eq "$count" ] || report "$mode: isoinfo -l count"

    # isovfy: nothing but the hidden file's flag may be mentioned.
    isovfy "$image" | grep -vE '^(Root at extent|\[0 0\]|No errors found)' | grep -v 'Flags=(1)' | grep -q . &&
        { report "$mode: isovfy"; isovfy "$image" | head; }

    [ "$(xorriso -indev "$image" -find / -type f 2>/dev/null | grep -c "^'/")" -eq "$count" ] ||
        report "$mode: xorriso count"

    out="$dir/out-$mode"
    mkdir -p "$out"
    bsdtar -x -f "$image" -C "$out" || report "$mode: bsdtar"
    if [ $mode = joliet ]; then
        listing=$(isoinfo -J -l -i "$image")
        for f in "${accepted[@]}"; do
            name=$(expect_name "$f")
            # libarchive cuts Joliet names after 103 characters (xorriso and isoinfo do not).
            cmp -s "$f" "$out/${name:0:103}" || report "joliet: $name differs or is missing"
            if LC_ALL=C grep -q '^[ -~]*$' <<<"$name"; then  # isoinfo shows non-ASCII names in Latin-1
                grep -qF -- "$name;1" <<<"$listing" || report "joliet: isoinfo -J misses $name"
            fi
        done
        grep -qF -- "$(basename "$long107");1" <<<"$listing" || report "joliet: 107 characters cut"
        xorriso -indev "$image" -find / 2>/dev/null | grep -qF "/$(basename "$long107")'" || report "joliet: xorriso name"
    else
        # Short names only: the same contents, as a multiset of checksums.
        want=$(for f in "${accepted[@]}"; do md5sum < "$f"; done | sort)
        got=$(find "$out" -type f -exec sh -c 'md5sum < "$1"' _ {} \; | sort)
        [ "$want" = "$got" ] || report "plain: extracted contents differ"
    fi
done

# A failure to write the image is an exit status of 1 with a message.
"$TOOL" iso -o "$dir/no/such/folder/x.iso" "${accepted[0]}" >/dev/null 2>"$dir/err"
[ $? -eq 1 ] && [ -s "$dir/err" ] || report "exit status for an unwritable image"
"$TOOL" iso -o "$dir/x.iso" >/dev/null 2>&1
[ $? -eq 2 ] || report "usage error"
exit $fail
