#!/bin/sh
# Compares two versions of the PNG decoder on a generated corpus: every file
# must give the same codes and the same bitmap. Run from the repository's top
# folder after a build: bench/png_compare/compare.sh OLD_REV [BUILD_DIR]
# (OLD_REV: a commit whose png/ is the reference; the new side is the work
# tree). Files named in EXTRA_FILES are compared too.
set -eu
old_rev=$1
build=${2:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old/png"
for f in $(git ls-tree --name-only "$old_rev" png/); do git show "$old_rev:$f" > "$work/old/$f"; done
platform_lib="$build/platform/libvurk_platform.a"
flags="-std=c++20 -O2 -DNDEBUG"
# Each side compiles the decoder's sources with the harness; platform/ is shared.
c++ $flags -I"$work/old" -I. bench/png_compare/png_codes.cpp "$work"/old/png/*.cpp "$platform_lib" -o "$work/codes-old"
c++ $flags -I. bench/png_compare/png_codes.cpp png/*.cpp "$platform_lib" -o "$work/codes-new"
python3 bench/png_compare/make_corpus.py "$work/corpus"
ls "$work"/corpus/*.png ${EXTRA_FILES:-} > "$work/list"
for side in old new; do
    start=$(date +%s.%N)
    xargs "$work/codes-$side" < "$work/list" > "$work/$side.txt"
    end=$(date +%s.%N)
    echo "$side: $(echo "$end - $start" | bc) s"
done
echo "outcomes (read/inflate/bitmap, new side):"
sed 's/^[^ ]* //; s/ [0-9]*x[0-9]* [0-9a-f]*$//' "$work/new.txt" | sort | uniq -c | sort -rn
if diff "$work/old.txt" "$work/new.txt" > "$work/diff"; then
    echo "same on all $(wc -l < "$work/list") files"
else
    echo "DIFFERENT:"; head -40 "$work/diff"; exit 1
fi
