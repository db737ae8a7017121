#!/usr/bin/env bash
# Every file tunevault-tool writes for a list (export as CSV and HTML, M3U) goes
# through the one writer: odd targets are refused and left as they were, links
# are followed, modes kept, new files take the umask, names up to 255 bytes
# work, a full disk and a failing standard output fail the command.
set -u
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$3], got [$2]"; fail=1; fi; }

dir=$(mktemp -d)
trap 'mountpoint -q "$dir/full" 2>/dev/null && umount "$dir/full"; rm -rf "$dir"' EXIT
printf 'Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\t\r\nLied\tBand\t03:00\t\t\t\t\t/m/lied.mp3\t\t\r\n' > "$dir/L.TSV"
list_before=$(md5sum < "$dir/L.TSV")

# The three writers: export csv, export html, m3u.
write() {  # write KIND TARGET
    case "$1" in
        csv) "$TOOL" export --format csv "$dir/L.TSV" "$2" ;;
        html) "$TOOL" export --format html "$dir/L.TSV" "$2" ;;
        m3u) "$TOOL" m3u "$dir/L.TSV" "$2" ;;
    esac
}

for kind in csv html m3u; do
    # The list itself is never a target.
    write $kind "$dir/L.TSV" >/dev/null 2>&1
    check "$kind-self" $? 1
    check "$kind-self-kept" "$(md5sum < "$dir/L.TSV")" "$list_before"
    # A link to the list is the list too.
    ln -sf "$dir/L.TSV" "$dir/to-list"
    write $kind "$dir/to-list" >/dev/null 2>&1
    check "$kind-link-to-input" $? 1
    check "$kind-link-to-input-kept" "$(md5sum < "$dir/L.TSV")" "$list_before"
    # A FIFO is refused at once (never opened, never waited for).
    rm -f "$dir/fifo"; mkfifo "$dir/fifo"
    timeout 10 bash -c "$(declare -f write); TOOL='$TOOL' dir='$dir' write $kind '$dir/fifo'" >/dev/null 2>&1
    check "$kind-fifo" $? 1
    [ -p "$dir/fifo" ] || { echo "FAIL $kind-fifo: replaced"; fail=1; }
    # A device node (made where the tests may make one).
    if [ "$(id -u)" = 0 ] && rm -f "$dir/null" && mknod "$dir/null" c 1 3 2>/dev/null; then
        write $kind "$dir/null" >/dev/null 2>&1
        check "$kind-device" $? 1
        [ -c "$dir/null" ] || { echo "FAIL $kind-device: replaced"; fail=1; }
    fi
    # A directory.
    mkdir -p "$dir/ordner"
    write $kind "$dir/ordner" >/dev/null 2>&1
    check "$kind-directory" $? 1
    [ -d "$dir/ordner" ] || { echo "FAIL $kind-directory: replaced"; fail=1; }
    # A link is followed: its target is replaced, the link stays.
    printf 'alt' > "$dir/ziel.$kind"
    chmod 600 "$dir/ziel.$kind"
    ln -sf "ziel.$kind" "$dir/link.$kind"
    write $kind "$dir/link.$kind" >/dev/null 2>&1
    check "$kind-link" $? 0
    [ -L "$dir/link.$kind" ] || { echo "FAIL $kind-link: the link was replaced"; fail=1; }
    [ "$(cat "$dir/ziel.$kind")" != alt ] || { echo "FAIL $kind-link: target not written"; fail=1; }
    check "$kind-mode-kept" "$(stat -c %a "$dir/ziel.$kind")" 600
    # A loop of links is an error, and stays a loop.
    ln -sfn "loop2.$kind" "$dir/loop1.$kind"; ln -sfn "loop1.$kind" "$dir/loop2.$kind"
    write $kind "$dir/loop1.$kind" >/dev/null 2>&1
    check "$kind-loop" $? 1
    [ -L "$dir/loop1.$kind" ] || { echo "FAIL $kind-loop: replaced"; fail=1; }
    # New files follow the umask.
    (umask 077 && write $kind "$dir/neu.$kind" >/dev/null 2>&1)
    check "$kind-umask" "$(stat -c %a "$dir/neu.$kind")" 600
    # A name of 255 bytes (the most a name may have).
    long=$(printf 'x%.0s' $(seq 1 251)).$kind
    long=${long:0:255}
    write $kind "$dir/$long" >/dev/null 2>&1
    check "$kind-long-name" $? 0
    [ -s "$dir/$long" ] || { echo "FAIL $kind-long-name: not written"; fail=1; }
    # Standard output that cannot be written fails the command.
    write $kind - > /dev/full 2>/dev/null
    check "$kind-dev-full" $? 1
    write $kind - | head -c 0 >/dev/null
done
# The commands that print: a failing standard output fails them.
for command in "list $dir/L.TSV" "search Lied $dir/L.TSV" "doubles --title $dir/L.TSV"; do
    $TOOL $command > /dev/full 2>/dev/null
    check "stdout-${command%% *}" $? 1
done
# A full disk: the command fails, the old file stays whole, nothing is left over.
if [ "$(id -u)" = 0 ] && mkdir "$dir/full" && mount -t tmpfs -o size=64k tmpfs "$dir/full" 2>/dev/null; then
    big="$dir/BIG.TSV"
    {
        printf 'Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\t\r\n'
        for i in $(seq 1 3000); do printf 'Lied %s\tBand\t03:00\t\t\t\t\t/m/%s.mp3\t\t\r\n' "$i" "$i"; done
    } > "$big"
    printf 'alt' > "$dir/full/out.html"
    "$TOOL" export --format html "$big" "$dir/full/out.html" >/dev/null 2>"$dir/err"
    check full-disk $? 1
    check full-disk-kept "$(cat "$dir/full/out.html")" alt
    check full-disk-left "$(ls -A "$dir/full")" out.html
    grep -q "No space left on device" "$dir/err" || { echo "FAIL full-disk message: $(cat "$dir/err")"; fail=1; }
fi
[ -z "$(ls -A "$dir" | grep '^\.tv')" ] || { echo "FAIL temporary files left: $(ls -A "$dir")"; fail=1; }
exit $fail
