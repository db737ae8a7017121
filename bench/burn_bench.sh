#!/usr/bin/env bash
# Burning to the image recorder through the whole write pipeline (reader thread,
# block queue, writer thread, simulated drive) side by side with "tunevault-tool
# iso" on the same 300 files of 5 MB (1.5 GB), in the same run. Warm cache; each
# command runs RUNS times, alternating, the best time counts; peak memory from
# /usr/bin/time; the writer's waits for data as the burn reports them.
#   bench/burn_bench.sh build-release/bin/tunevault-tool [WORKDIR]
set -euo pipefail
tool=$(realpath "$1")
work=${2:-/tmp/tunevault-isobench}
runs=${RUNS:-3}
mkdir -p "$work"
trap 'rm -f "$work/out.iso" "$work/memory" "$work/stats"' EXIT

if [ ! -d "$work/large" ]; then
    mkdir -p "$work/large"
    head -c 5000000 /dev/urandom > "$work/seed"
    for i in $(seq -w 1 300); do cp "$work/seed" "$work/large/Titel $i.mp3"; done
    rm "$work/seed"
fi
files=("$work"/large/*)
cat "${files[@]}" > /dev/null  # warm the cache

best_iso="" best_burn="" memory_iso="" memory_burn="" waits=""
for _ in $(seq 1 "$runs"); do
    rm -f "$work/out.iso"
    /usr/bin/time -f "%e %M" -o "$work/memory" "$tool" iso -o "$work/out.iso" "${files[@]}" >/dev/null
    read -r seconds kilobytes < "$work/memory"
    if [ -z "$best_iso" ] || awk "BEGIN{exit !($seconds < $best_iso)}"; then best_iso=$seconds; fi
    memory_iso=$kilobytes
    rm -f "$work/out.iso"
    /usr/bin/time -f "%e %M" -o "$work/memory" "$tool" burn --image "$work/out.iso" "${files[@]}" \
        >/dev/null 2>"$work/stats"
    read -r seconds kilobytes < <(tail -1 "$work/memory")
    if [ -z "$best_burn" ] || awk "BEGIN{exit !($seconds < $best_burn)}"; then best_burn=$seconds; fi
    memory_burn=$kilobytes
    waits="$waits $(sed -n "s/.*waited \([0-9]*\) times.*/\1/p" "$work/stats")"
done
printf '%-36s %8s s %9s KB\n' "tunevault-tool iso" "$best_iso" "$memory_iso"
printf '%-36s %8s s %9s KB  (writer waits: %s)\n' "tunevault-tool burn --image" "$best_burn" "$memory_burn" "$waits"
awk "BEGIN{printf \"ratio burn/iso: %.2f\\n\", $best_burn / $best_iso}"
