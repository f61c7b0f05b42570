#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: once in Release, once with
# AddressSanitizer and UndefinedBehaviorSanitizer, then every fuzzer for a bounded time, then
# the loader stress test under ThreadSanitizer.
# GL tests run under a virtual X display. Exits non-zero on any failure.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)

bash scripts/deps.sh test

# A comma-decimal locale of our own, so that the tests prove file numbers ignore the locale.
mkdir -p build/locale
if [ ! -d build/locale/de_DE.UTF-8 ]; then
    localedef -i de_DE -f UTF-8 build/locale/de_DE.UTF-8 || echo "note: no de_DE locale for the locale tests"
fi
export LOCPATH=$top/build/locale

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j"$jobs"
    # A test process that cannot reach the virtual display at start-up is tried again; a test
    # that fails on its own fails every try.
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir "$dir" -j"$jobs" --output-on-failure --timeout 600 --repeat until-pass:3 \
        | tee "$dir/ctest.log"
    local total
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log" | tail -n 1)
    passed=$((passed + ${total:-0}))
}
passed=0

echo "== Release build and tests"
run_suite build -DCMAKE_BUILD_TYPE=Release

echo "== Sanitizer build and tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVISTREL_SANITIZE=ON -DVISTREL_BENCH=OFF

if [ -d tests/fuzz ] && command -v clang++ >/dev/null 2>&1; then
    echo "== Fuzzing"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVISTREL_FUZZ=ON -DVISTREL_TESTS=OFF -DVISTREL_BENCH=OFF
    cmake --build build-fuzz -j"$jobs" --target fuzzers
    bash tests/fuzz/run.sh build-fuzz "${FUZZ_SECONDS:-30}"
fi

if command -v clang++ >/dev/null 2>&1; then
    # Only the loader stress test: loads on the loader thread while the test draws.
    echo "== ThreadSanitizer stress test"
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVISTREL_TSAN=ON -DVISTREL_BENCH=OFF
    cmake --build build-tsan -j"$jobs" --target tsan_pointcloudload tsan_polygonload
    TSAN_OPTIONS="halt_on_error=1 suppressions=$top/tests/tsan.supp" xvfb-run -a -s "-screen 0 1280x1024x24" \
        ctest --test-dir build-tsan -R "PointCloudLoadStress|PolygonLoadStress" --no-tests=error --output-on-failure --timeout 600 \
        | tee build-tsan/ctest.log
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' build-tsan/ctest.log | tail -n 1)
    passed=$((passed + ${total:-0}))
fi
echo "Tests: $passed passed, 0 failed"
