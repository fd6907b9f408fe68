#!/usr/bin/env bash
# Installs every Debian package the build and the tests need; with the
# argument "bench", also the benchmarks' peer decoders and their real files.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev qt6-base-dev fonts-dejavu-core zlib1g-dev libpng-dev
          # scripts/fuzz.sh: the compiler, libFuzzer and the sanitizer runtimes, the symbolizer
          clang libclang-rt-dev llvm
          # tests/e2e/run.py: a virtual X server, a window manager, the tools that drive and read windows
          xvfb openbox xdotool x11-utils imagemagick python3
          # scripts/check-install.sh: validators, the man page renderer, the Debian package's tools
          desktop-file-utils appstream groff-base file dpkg-dev)
if [ "${1:-}" = bench ]; then
  packages+=(libspng-dev libstb-dev liblodepng-dev libdeflate-dev openclipart-png)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y "${missing[@]}"
