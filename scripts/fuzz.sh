#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in a build folder of their own, makes their seed
# corpora with the program's own code, runs the saved inputs of fuzz/regressions,
# then fuzzes each target for a while. Any finding fails the script; the input
# that caused it is kept in <build-folder>/findings.
# Usage: scripts/fuzz.sh [seconds-per-target] [build-folder] [target...]
#        (defaults: 60, build-fuzz, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=$(realpath -m "${2:-build-fuzz}")
shift $(($# > 2 ? 2 : $#))

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURK_FUZZ=ON \
  -DVURK_BUILD_TESTS=OFF
cmake --build "$build" --target fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" _fuzz.cpp)"); done
fi

# The targets work in folders of their own under TMPDIR; this one goes at the end.
base=/dev/shm
[ -w "$base" ] || base=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$base/vurk-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

rm -rf "$build/seeds"
"$build/vurk-fuzz-seeds" "$build/seeds"
mkdir -p "$build/findings"

# A run longer than 10 s or an allocation over 512 MB is a finding too.
limits=(-timeout=10 -malloc_limit_mb=512)
failed=()
for t in "${targets[@]}"; do
  bin="$build/${t}_fuzz"
  if [ -d "fuzz/regressions/$t" ] && compgen -G "fuzz/regressions/$t/*" > /dev/null; then
    echo "== $t: saved inputs"
    if ! "$bin" "${limits[@]}" fuzz/regressions/"$t"/* 2>&1 | tail -n 40; then failed+=("$t (saved input)"); fi
  fi
  echo "== $t: fuzzing for $seconds s"
  # The corpus grows across local runs; the seeds are read, never written.
  mkdir -p "$build/corpus/$t"
  log="$build/findings/$t.log"
  if "$bin" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
       -artifact_prefix="$build/findings/$t-" "$build/corpus/$t" "$build/seeds/$t" > "$log" 2>&1; then
    grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
  else
    tail -n 60 "$log"
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/findings)" >&2
  exit 1
fi
echo "Fuzzing found nothing."
