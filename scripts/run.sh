#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts Vistrel.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVISTREL_TESTS=OFF
cmake --build build -j"$(nproc)"

if [ -x build/bin/Vistrel ]; then
    exec build/bin/Vistrel "$@"
fi

# Without the main program, show the converter at work on the shipped sample scan.
mkdir -p build/examples
out="$top/build/examples/sample.zrpcd"
status=0
build/bin/Kestrune examples/sample.ptx "$out" 4 1 || status=$?
if [ "$status" -ne 1 ]; then
    echo "Kestrune could not convert examples/sample.ptx (exit status $status)." >&2
    exit 1
fi
echo "Octree file written to: $out"
