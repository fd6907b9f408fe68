#!/usr/bin/env bash
# Installs a build into a scratch folder and checks what a user's system gets:
# the programs run, the desktop entry and the AppStream metainfo validate, the
# icons have their sizes, the man pages render without warnings; then builds
# the Debian package and checks its contents and dependencies.
# Usage: scripts/check-install.sh [build-folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
fail() { echo "check-install: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli groff dpkg-deb dpkg-shlibdeps file cpack; do
  command -v "$tool" > /dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

DESTDIR=$root cmake --install "$build" --prefix /usr > /dev/null
share=$root/usr/share
expected=(usr/bin/vurk-edit usr/bin/vurk-tool usr/share/applications/vurk-edit.desktop
          usr/share/metainfo/org.vurkedit.VurkEdit.metainfo.xml
          usr/share/man/man1/vurk-edit.1 usr/share/man/man1/vurk-tool.1)
for size in 16 24 32 48 64 128 256; do expected+=(usr/share/icons/hicolor/${size}x${size}/apps/vurk-edit.png); done
for f in "${expected[@]}"; do [ -f "$root/$f" ] || fail "not installed: /$f"; done
for size in 16 24 32 48 64 128 256; do
  [[ $(file -b "$share/icons/hicolor/${size}x${size}/apps/vurk-edit.png") == "PNG image data, $size x $size,"* ]] ||
    fail "the ${size}x${size} icon is not a $size x $size PNG"
done

# The installed programs run; the metainfo names the version they print.
version=$("$root/usr/bin/vurk-edit" --version) || fail "vurk-edit --version failed"
version=${version#vurk-edit }
[ "$("$root/usr/bin/vurk-tool" --version)" = "vurk-tool $version" ] || fail "the two programs print different versions"
[[ $("$root/usr/bin/vurk-tool" --help) == *"vurk-tool render"* ]] || fail "vurk-tool --help lacks its commands"
grep -q "<release version=\"$version\"" "$share/metainfo/org.vurkedit.VurkEdit.metainfo.xml" ||
  fail "the metainfo has no release $version"
for m in vurk-edit vurk-tool; do
  grep -q "^\.TH .*\"VURK-Edit $version\"" "$share/man/man1/$m.1" || fail "$m.1 is not of version $version"
done

desktop-file-validate "$share/applications/vurk-edit.desktop"
grep -qx "Exec=vurk-edit" "$share/applications/vurk-edit.desktop" || fail "the desktop entry runs something else"
appstreamcli validate --no-net "$share/metainfo/org.vurkedit.VurkEdit.metainfo.xml" > "$scratch/appstream.log" ||
  { cat "$scratch/appstream.log"; fail "the metainfo does not validate"; }

for m in vurk-edit vurk-tool; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$share/man/man1/$m.1" 2>&1)
  [ -z "$warnings" ] || fail "$m.1: $warnings"
  [[ $'\n'$(LC_ALL=C.UTF-8 groff -man -Tutf8 -P-cbu "$share/man/man1/$m.1") == *$'\nNAME\n'* ]] || fail "$m.1 renders no NAME"
done

# The Debian package holds the same files and depends on the Qt runtime, not
# on its development packages.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" > "$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/pkg/vurk-edit_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6; do
  [[ $depends == *"$lib "* || $depends == *"$lib," || $depends == *"$lib" ]] || fail "the package does not depend on $lib: $depends"
done
[[ $depends != *-dev* ]] || fail "the package depends on a development package: $depends"
contents=$(dpkg-deb -c "$deb")
for f in "${expected[@]}"; do grep -q " \./$f\$" <<< "$contents" || fail "the package lacks /$f"; done
echo "check-install: $(basename "$deb") and the installed files are in order (Depends: $depends)"
