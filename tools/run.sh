#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSALVENOR_BUILD_TESTS=OFF -DSALVENOR_BUILD_BENCHMARKS=OFF
cmake --build build/release

if [ -x build/release/app/salvenor ]; then
    exec build/release/app/salvenor "$@"
fi
echo "Built the calculation core (build/release/core); the program window is not part of this version yet."
