#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once in an optimised build
# with warnings as errors, once under AddressSanitizer and UndefinedBehaviorSanitizer; then
# clang-tidy and the fuzzers.
#   bash tools/test.sh           everything (what CI runs)
#   bash tools/test.sh --quick   the optimised build's unit and window tests only (daily work)
set -euo pipefail
cd "$(dirname "$0")/.."

quick=false
case "${1:-}" in
    --quick) quick=true ;;
    "") ;;
    *) echo "usage: bash tools/test.sh [--quick]" >&2; exit 2 ;;
esac

bash tools/install-deps.sh
bash tools/install-deps.sh --check || { echo "Install the packages named above (tools/packages.txt lists them)."; exit 1; }

jobs=$(nproc)

echo "== Formatting (clang-format, rules in .clang-format)"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find core app windows print resources tests bench fuzz -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror "${sources[@]}" || { echo "clang-format would change the files above"; exit 1; }

# The builds are the presets of CMakePresets.json (release, sanitize, fuzz), which IDEs find too.
echo "== Release build"
cmake --preset release
cmake --build --preset release -j "$jobs"
if $quick; then
    ctest --preset quick -j "$jobs"
    exit 0
fi
ctest --preset release -j "$jobs"

echo "== Sanitizer build"
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
# clang-tidy runs beside the sanitizer tests, at the lowest priority: the long random run keeps
# one core busy for minutes while the rest of the suite is done on the other.
# clang-tidy 14 does not know every g++ 12 warning flag; Qt's generated moc sources are not ours.
echo "== clang-tidy (checks in .clang-tidy), beside the sanitizer tests"
(nice -n 19 run-clang-tidy -j 1 -quiet -p build/release -extra-arg=-Wno-unknown-warning-option \
    "$PWD/(core|app|windows|print|resources|batch|tests|bench)/" >build/clang-tidy.log 2>&1
    echo $? >build/clang-tidy.status) &
tidy=$!
sanitizer_tests=0
# The preset sets the sanitizers' options (leak checks, suppressions, stop at the first fault).
ctest --preset sanitize -j "$jobs" || sanitizer_tests=$?
wait "$tidy" || true
[ "$sanitizer_tests" -eq 0 ] || { echo "sanitizer tests failed"; exit 1; }
if [ "$(cat build/clang-tidy.status)" != 0 ]; then
    sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E -A3 'error:|warning:' | grep -v 'warnings generated'
    echo "clang-tidy found faults"
    exit 1
fi
echo "clang-tidy: clean"

echo "== Fuzzing"
bash tools/fuzz.sh "${FUZZ_SECONDS:-15}"

echo "== clang-tidy on the fuzz targets (built with clang in build/fuzz)"
run-clang-tidy -quiet -p build/fuzz -extra-arg=-Wno-unknown-warning-option "$PWD/fuzz/" >build/clang-tidy-fuzz.log 2>&1 || {
    sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy-fuzz.log | grep -E -A3 'error:|warning:' | grep -v 'warnings generated'
    echo "clang-tidy found faults in fuzz/"
    exit 1
}
echo "clang-tidy: fuzz/ clean"
