#!/usr/bin/env bash
# Installs what is missing, builds everything (Debug, warnings as errors) and runs
# every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

build=build-check
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTUNEVAULT_WERROR=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 900
