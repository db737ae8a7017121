#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Exits non-zero
# on any failure.
#   ./check.sh              Debug build, warnings as errors, all tests
#   ./check.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, all tests
#   ./check.sh --tsan       ThreadSanitizer, the tests with threads of their own
#   ./check.sh --fuzz N     every fuzz target for N seconds (clang, libFuzzer)
set -euo pipefail
cd "$(dirname "$0")"

mode=plain
seconds=0
case "${1:-}" in
    "") ;;
    --sanitize) mode=sanitize ;;
    --tsan) mode=tsan ;;
    --fuzz)
        mode=fuzz
        seconds=${2:?"--fuzz braucht die Sekunden je Ziel"}
        ;;
    *)
        echo "Aufruf: $0 [--sanitize | --tsan | --fuzz SEKUNDEN]" >&2
        exit 2
        ;;
esac

./scripts/install-deps.sh
# Compiler cache hits across checkouts in other folders (CI uses a fresh one).
export CCACHE_BASEDIR="$PWD"
jobs=$(nproc)

case "$mode" in
    plain)
        build=build-check
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTUNEVAULT_WERROR=ON
        cmake --build "$build" -j "$jobs"
        ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 900
        ;;
    sanitize)
        build=build-asan
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTUNEVAULT_SANITIZE=ON \
            -DTUNEVAULT_BENCHMARKS=OFF
        cmake --build "$build" -j "$jobs"
        # Leaks are looked for in our code; the libraries below (fontconfig,
        # GStreamer, SANE's backends) keep caches for the life of the process.
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
        export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
        ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 1800
        ;;
    tsan)
        build=build-tsan
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTUNEVAULT_TSAN=ON \
            -DTUNEVAULT_BENCHMARKS=OFF
        cmake --build "$build" -j "$jobs"
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/sanitizers/tsan.supp"
        # The threads of the core: drive layer and erase, write pipeline and image
        # recorder, burn jobs, copying, the scanner, the main-thread invoker, the
        # lists' background writer, and the command-line burns. (The window
        # tests stay out: Qt itself is not
        # built with TSan, and its own thread pool, which scales pictures, shows
        # up as false races.)
        ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 1800 \
            -R '^(picture_tests|cli_tests)$|^(DiscErase|WaitForReady|SimulatedRecorder|WritePipeline|DiscBurner|BurnJob|TShFileOP|QueuedInvoker|BackgroundWriter|SgTransport|LibraryTransport)\.'
        ;;
    fuzz)
        ./scripts/fuzz.sh "$seconds"
        ;;
esac
