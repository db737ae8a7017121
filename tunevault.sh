#!/usr/bin/env bash
# Installs what is missing, builds the program (Release, into build/) and starts it.
# The lists and "SONGVAT.INI" live beside the program, in build/bin/.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTUNEVAULT_TESTS=OFF -DTUNEVAULT_BENCHMARKS=OFF
cmake --build build -j "$(nproc)"
exec build/bin/tunevault "$@"
