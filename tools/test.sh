#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once in an optimised build
# with warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)

echo "== Release build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSALVENOR_WERROR=ON \
    -DSALVENOR_BUILD_TESTS=ON -DSALVENOR_BUILD_BENCHMARKS=ON
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== Sanitizer build"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSALVENOR_WERROR=ON \
    -DSALVENOR_SANITIZE=ON -DSALVENOR_BUILD_TESTS=ON -DSALVENOR_BUILD_BENCHMARKS=OFF
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
    ctest --test-dir build/sanitize --output-on-failure -j "$jobs"

echo "== clang-tidy (checks in .clang-tidy)"
# clang-tidy 14 does not know every g++ 12 warning flag; Qt's generated moc sources are not ours.
run-clang-tidy -quiet -p build/release -extra-arg=-Wno-unknown-warning-option \
    "$PWD/(core|app|windows|print|resources|tests|bench)/" >build/clang-tidy.log 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E -A3 'error:|warning:' | grep -v 'warnings generated'
    echo "clang-tidy found faults"
    exit 1
}
echo "clang-tidy: clean"

echo "== Fuzzing"
bash tools/fuzz.sh "${FUZZ_SECONDS:-30}"
