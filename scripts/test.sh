#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
# Usage: scripts/test.sh [build-folder [cmake options...]]   (default: build)
#   e.g. scripts/test.sh build-asan -DVURK_SANITIZE=ON
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift $(($# > 0 ? 1 : 0))
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j 2
