#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
# A first build leaves out the tests; one that has them (tools/test.sh) keeps them, so that they
# are never left behind older than the program.
if [ -f build/release/CMakeCache.txt ]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
else
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSALVENOR_BUILD_TESTS=OFF \
        -DSALVENOR_BUILD_BENCHMARKS=OFF
fi
cmake --build build/release
exec build/release/app/salvenor "$@"
