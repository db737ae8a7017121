#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60).
# The working corpus grows in build-fuzz/corpus; inputs that break a target are
# kept in build-fuzz/crashes/<target>/ (copy them to tests/fuzz/regressions/<target>/
# once fixed). Exits non-zero when any target broke.
# FUZZ_SEED=N makes a run repeatable (CI uses one, so that what passed here
# passes there); by default each run explores anew. FUZZ_MERGE=1 afterwards adds
# the inputs of the working corpus that reach new code to the committed corpus in
# tests/fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
export CCACHE_BASEDIR="$PWD"

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUNEVAULT_FUZZ=ON -DTUNEVAULT_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_targets

seed_option=()
[ -n "${FUZZ_SEED:-}" ] && seed_option=(-seed="$FUZZ_SEED")
failed=()
for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    corpus="$build/corpus/$name"
    crashes="$build/crashes/$name"
    mkdir -p "$corpus" "$crashes"
    log="$build/fuzz-$name.log"
    if "$build/bin/${name}_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "${seed_option[@]}" \
        "$corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
        runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
        echo "$name: ${runs:-?} Eingaben in ${seconds} s, ohne Befund"
        if [ -n "${FUZZ_MERGE:-}" ]; then
            "$build/bin/${name}_fuzz" -merge=1 -timeout=20 -rss_limit_mb=4096 \
                "tests/fuzz/corpus/$name" "$corpus" >>"$log" 2>&1
            echo "$name: $(ls "tests/fuzz/corpus/$name" | wc -l) Eingaben im Korpus"
        fi
    else
        echo "$name: FEHLER, siehe $log und $crashes/"
        tail -30 "$log"
        failed+=("$name")
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "Fuzz-Ziele mit Befund: ${failed[*]}"; exit 1; }
