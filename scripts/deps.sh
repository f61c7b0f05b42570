#!/usr/bin/env bash
# Installs the Debian packages that are missing for a purpose: "run" (build and start the
# programs) or "test" (also the test suite, the GL test display and the fuzzing compiler).
# Idempotent and non-interactive; apt-get update runs only when something is missing.
set -euo pipefail

purpose=${1:-run}

run_packages=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev libqt5opengl5-dev qttools5-dev-tools qttools5-dev libgl-dev
    ffmpeg
    # The interface is Japanese; nothing above brings a font that draws it.
    fonts-ipafont-gothic
)
test_packages=(
    googletest libgtest-dev
    xvfb xauth libgl1-mesa-dri xdotool
    clang libclang-rt-14-dev
    locales
    # A FAT image mounted through FUSE, for writes where the file system keeps no rights.
    fusefat dosfstools
)

packages=("${run_packages[@]}")
if [ "$purpose" = test ]; then
    packages+=("${test_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "Missing packages (${missing[*]}) and no root rights to install them." >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
