#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the unit
# tests, then (for a build without extra cmake options) the end-to-end test of
# the editor in a real X session (tests/e2e/run.py).
# Usage: scripts/test.sh [build-folder [cmake options...]]   (default: build)
#   e.g. scripts/test.sh build-asan -DVURK_SANITIZE=ON   (unit tests only)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift $(($# > 0 ? 1 : 0))
options=$#
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVURK_WERROR=ON "$@"
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j 2
# The end-to-end test drives the program the user runs: the plain build only.
[ "$options" -gt 0 ] || timeout 300 python3 tests/e2e/run.py "$build"
