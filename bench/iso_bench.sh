#!/usr/bin/env bash
# Writing ISO 9660/Joliet images: tunevault-tool iso side by side with
# genisoimage -J and xorriso -as mkisofs -J on the same files, and a user-space
# concatenation of the files as the physical limit. Warm cache; each command runs
# RUNS times, the best time counts; peak memory from /usr/bin/time.
#   bench/iso_bench.sh build-release/bin/tunevault-tool [WORKDIR]
set -euo pipefail
tool=$(realpath "$1")
work=${2:-/tmp/tunevault-isobench}
runs=${RUNS:-3}
mkdir -p "$work"
trap 'rm -f "$work/out.iso" "$work/memory"' EXIT

# 300 files of 5 MB (1.5 GB), and 20,000 files of 1 KB.
if [ ! -d "$work/large" ]; then
    mkdir -p "$work/large"
    head -c 5000000 /dev/urandom > "$work/seed"
    for i in $(seq -w 1 300); do cp "$work/seed" "$work/large/Titel $i.mp3"; done
    rm "$work/seed"
fi
if [ ! -d "$work/small" ]; then
    mkdir -p "$work/small"
    head -c 1024 /dev/urandom > "$work/seed"
    for i in $(seq -w 1 20000); do cp "$work/seed" "$work/small/Datei $i.mp3"; done
    rm "$work/seed"
fi

measure() {  # name, command...: best seconds and peak memory (KB) over the runs
    local name=$1; shift
    local best="" memory=""
    for _ in $(seq 1 "$runs"); do
        rm -f "$work/out.iso"
        sync
        local start end seconds kb
        start=$(date +%s.%N)
        /usr/bin/time -f '%M' -o "$work/memory" "$@" >/dev/null 2>&1
        kb=$(tail -1 "$work/memory")
        end=$(date +%s.%N)
        seconds=$(echo "$end - $start" | bc)
        if [ -z "$best" ] || [ "$(echo "$seconds < $best" | bc)" = 1 ]; then best=$seconds; memory=$kb; fi
    done
    printf '%-34s %8.2f s %9s KB\n' "$name" "$best" "$memory"
}

for set in large small; do
    files=("$work/$set"/*)
    echo "== $set: ${#files[@]} files, $(du -sh "$work/$set" | cut -f1)"
    cat "${files[@]}" > /dev/null  # warm the cache
    measure "concatenation (cat)" bash -c "find '$work/$set' -type f -print0 | xargs -0 cat | cat > '$work/out.iso'"
    measure "tunevault-tool iso" "$tool" iso -o "$work/out.iso" "${files[@]}"
    measure "genisoimage -J" genisoimage -quiet -J -joliet-long -o "$work/out.iso" "$work/$set"
    measure "xorriso -as mkisofs -J" xorriso -as mkisofs -quiet -J -joliet-long -o "$work/out.iso" "$work/$set"
done
