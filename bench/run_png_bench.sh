#!/bin/sh
# Builds and runs the PNG decoding benchmark: installs the peer decoders and
# the real files (bench only), builds build-bench with the demo files, and
# prints the table. Run from the repository's top folder:
#   bench/run_png_bench.sh [ROUNDS]
set -eu
scripts/install-deps.sh bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVURK_BUILD_BENCH=ON > /dev/null
cmake --build build-bench -j2 --target vurk-bench-png demo
build-bench/vurk-bench-png build-bench/demo/tiles /usr/share/openclipart/png "${1:-7}"
