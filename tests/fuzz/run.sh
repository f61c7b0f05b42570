#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for a bounded time, each from seed files it writes itself.
# Usage: tests/fuzz/run.sh <build dir> <seconds per fuzzer>. Exits non-zero when a fuzzer
# finds a crash, a leak, a timeout or an oversized allocation, or when there is no fuzzer.
set -uo pipefail
build=${1:?build dir}
seconds=${2:?seconds}
build=$(cd "$build" && pwd)
work="$build/fuzz-work"
# Undefined behaviour must stop the fuzzer like a crash does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$work"

mapfile -t fuzzers < <(find "$build" -maxdepth 2 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ ${#fuzzers[@]} -eq 0 ]; then
    echo "No fuzzers found in $build" >&2
    exit 1
fi

failed=0
for exe in "${fuzzers[@]}"; do
    name=$(basename "$exe")
    corpus="$work/$name-corpus"
    artifacts="$work/$name-artifacts"
    mkdir -p "$corpus" "$artifacts"
    echo "== $name for ${seconds}s"
    if ! "$exe" --make-seeds "$corpus"; then
        echo "$name: writing the seed files failed" >&2
        failed=1
        continue
    fi
    if ! "$exe" "$corpus" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -malloc_limit_mb=256 \
        -timeout=20 -artifact_prefix="$artifacts/" -print_final_stats=1; then
        echo "$name: failed; see $artifacts" >&2
        failed=1
    fi
done
exit $failed
