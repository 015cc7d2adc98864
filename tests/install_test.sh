#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs: the program (runnable from there), the
# library, the desktop entry (valid by desktop-file-validate, offering the program for documents, .nes and .chr), the
# MIME types and the icon.
#   install_test.sh CMAKE BUILD_DIR BINDIR LIBDIR DATADIR
set -uo pipefail

fail() {
    echo "install test FAILED: $*" >&2
    exit 1
}

[ $# -eq 5 ] || fail "usage: $0 CMAKE BUILD_DIR BINDIR LIBDIR DATADIR"
cmake=$1
build=$2
bindir=$3
libdir=$4
datadir=$5
command -v desktop-file-validate >/dev/null 2>&1 \
    || fail "desktop-file-validate is not installed; run ./build.sh, which installs desktop-file-utils"

prefix=$(mktemp -d) || fail "cannot create a temporary folder"
trap 'rm -rf "$prefix"' EXIT

"$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log" >&2; rm -f "$prefix.log"; fail "cmake --install failed"; }
rm -f "$prefix.log"

echo "Installed into $prefix:"
(cd "$prefix" && find . -type f -o -type l | sort)

program=$prefix/$bindir/kestova
desktop=$prefix/$datadir/applications/kestova.desktop
mime=$prefix/$datadir/mime/packages/kestova-mime.xml
icon=$prefix/$datadir/icons/hicolor/scalable/apps/kestova.svg
for file in "$program" "$desktop" "$mime" "$icon"; do
    [ -e "$file" ] || fail "missing ${file#"$prefix"/}"
done
ls "$prefix/$libdir"/libmosavo.so* >/dev/null 2>&1 || fail "missing the library libmosavo.so in $libdir"
[ -x "$program" ] || fail "the program is not executable"

desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
grep -q '^Exec=kestova %f$' "$desktop" || fail "the desktop entry does not start the program with the file"
grep -q '^Icon=kestova$' "$desktop" || fail "the desktop entry does not name the icon"
for type in application/x-kestova application/x-nes-rom application/x-nes-chr; do
    grep -q "^MimeType=.*$type;" "$desktop" || fail "the desktop entry does not offer the program for $type"
done
grep -q '<mime-type type="application/x-kestova">' "$mime" || fail "the MIME file does not define application/x-kestova"
grep -q '<glob pattern="\*.kestova"/>' "$mime" || fail "the MIME file does not claim *.kestova"
grep -q '<glob pattern="\*.chr"/>' "$mime" || fail "the MIME file does not claim *.chr"
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$mime" "$icon" || fail "the MIME file or the icon is not well-formed XML"
fi
grep -q '<svg' "$icon" || fail "the icon is not an SVG picture"

# The installed program finds its installed library.
env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help >/dev/null || fail "the installed program does not run"
echo "install test passed"
