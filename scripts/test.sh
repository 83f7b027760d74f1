#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the core and widget tests, the core tests
# of the Release build, the same suites under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the browser tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh test
jobs=$(nproc)

echo "== Formatting =="
# The sources stay as .clang-format lays them out; clang-format -i on a file mends it.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run -Werror

# Our own builds make every warning an error (QUORVANE_WERROR); the README's builds only show
# them.
echo "== Build and test =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=ON \
      -DQUORVANE_WERROR=ON
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Release build with tests and benchmarks =="
# The optimiser sees more (and warns of more) at -O3: the README's benchmark build must build.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_TESTS=ON \
      -DQUORVANE_BUILD_BENCH=ON -DQUORVANE_WERROR=ON
cmake --build build-release -j "$jobs"
ctest --test-dir build-release --output-on-failure -j "$jobs" -L core

echo "== Sanitizer build (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BUILD_TESTS=ON \
      -DQUORVANE_SANITIZE=ON -DQUORVANE_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== Fuzzing (libFuzzer, ASan + UBSan), 30 s per fast target =="
# Replays every kept regression input, then fuzzes the fast targets; fails on any crash, leak,
# timeout or sanitizer report. scripts/fuzz.sh --long HOURS runs every target for hours.
scripts/fuzz.sh 30

echo "== Browser tests of the generated menu =="
# Pages are generated with build/bin/quorvane-gen from the template and images beside it, and
# checked in Debian's Chromium and Firefox ESR: one suite, run once in each. The suites run on
# the Node that tests/browser/package.json pins, which npm ci brings into tests/browser; the
# system's node and npm only install it.
(cd tests/browser && npm ci --no-audit --no-fund)
for browser in chromium firefox; do
    echo "-- $browser --"
    (cd tests/browser && QUORVANE_BROWSER=$browser QUORVANE_BIN_DIR="$PWD/../../build/bin" \
        CHROMIUM=/usr/bin/chromium FIREFOX=/usr/bin/firefox-esr ./node.sh --test)
done

echo "All tests passed."
