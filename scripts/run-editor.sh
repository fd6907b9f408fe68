#!/usr/bin/env bash
# Installs what is needed, builds the editor, vurk-tool and the demo workspace,
# and opens the editor in the demo workspace (build/demo).
# Usage: scripts/run-editor.sh [build-folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# Only the editor, its command-line companion (restore points are put back
# with it) and the demo workspace: the tests build in scripts/test.sh.
cmake --build "$build" --target vurk-edit vurk-tool demo
cd "$build/demo"
exec ../vurk-edit
