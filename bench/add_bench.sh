#!/usr/bin/env bash
# tunevault-tool add on a real tree of 100,000 small MP3 files (a few frames made
# by lame, each with its own ID3v1 tag, 100 folders of 1,000): cold (the page
# cache dropped before the run, when this user may) and warm; the best of RUNS
# runs, peak memory from /usr/bin/time.
#   bench/add_bench.sh build-release/bin/tunevault-tool [WORKDIR]
set -euo pipefail
tool=$(realpath "$1")
work=${2:-/tmp/tunevault-addbench}
runs=${RUNS:-3}
files=${FILES:-100000}
mkdir -p "$work"
trap 'rm -f "$work/L.TSV" "$work/memory"' EXIT

if [ ! -f "$work/tree/done-$files" ]; then
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    ffmpeg -loglevel error -y -f lavfi -i sine=duration=0.1 -ar 44100 -ac 2 "$work/seed.wav"
    lame --quiet -b 128 "$work/seed.wav" "$work/seed.mp3"
    /usr/bin/python3 - "$work/seed.mp3" "$work/tree" "$files" <<'PY'
import os, sys
audio = open(sys.argv[1], "rb").read()
root, count = sys.argv[2], int(sys.argv[3])
def field(text, size):
    data = text.encode("latin-1")[:size]
    return data + b"\0" * (size - len(data))
for i in range(count):
    folder = os.path.join(root, "Interpret %03d" % (i // 1000), "Album %d" % (i // 100 % 10))
    os.makedirs(folder, exist_ok=True)
    tag = (b"TAG" + field("Titel %d" % i, 30) + field("Interpret %d" % (i // 1000), 30) +
           field("Album", 30) + field("2001", 4) + field("", 30) + bytes([i % 80]))
    with open(os.path.join(folder, "%02d - Lied %d.mp3" % (i % 100, i)), "wb") as f:
        f.write(audio + tag)
PY
    touch "$work/tree/done-$files"
fi

run() {  # cold|warm: best seconds and peak memory (KB) over the runs
    local best="" memory=""
    for _ in $(seq 1 "$runs"); do
        rm -f "$work/L.TSV"
        if [ "$1" = cold ]; then
            sync
            echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || { echo "cold: cannot drop caches"; return; }
        fi
        /usr/bin/time -f "%e %M" -o "$work/memory" "$tool" add "$work/tree" "$work/L.TSV" 2>/dev/null
        read -r seconds kb < "$work/memory"
        if [ -z "$best" ] || awk "BEGIN{exit !($seconds < $best)}"; then best=$seconds; memory=$kb; fi
    done
    echo "$1: $best s, $memory KB, $(($(wc -l < "$work/L.TSV") - 1)) rows"
}
run warm
run cold
