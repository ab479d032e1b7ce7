#!/bin/sh
# usage: deb_package_test.sh BUILD_DIR APP_ID [fortified]
# Builds the Debian package under a test maintainer and has lintian judge it; then checks what
# lintian cannot: that it holds the program, its desktop entry, metadata and icons, and that the
# program has the hardening of Debian's own: PIE, full RELRO, a stack protector, fortified calls.
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$1/CPackConfig.cmake" \
    -D "CPACK_DEBIAN_PACKAGE_MAINTAINER=Test <test@example.org>" >/dev/null
lintian --fail-on error,warning "$out"/*.deb
dpkg-deb --contents "$out"/*.deb | grep -oE '/usr/(bin/|share/(applications|metainfo|icons)/).*[^/]$' >"$out/found"
diff -u - "$out/found" <<END
/usr/bin/kestrune
/usr/share/applications/$2.desktop
/usr/share/icons/hicolor/16x16/apps/$2.png
/usr/share/icons/hicolor/32x32/apps/$2.png
/usr/share/icons/hicolor/48x48/apps/$2.png
/usr/share/icons/hicolor/scalable/apps/$2.svg
/usr/share/metainfo/$2.metainfo.xml
END
dpkg-deb --fsys-tarfile "$out"/*.deb | tar -xO ./usr/bin/kestrune >"$out/kestrune"
readelf -hldW --dyn-syms "$out/kestrune" | grep -oE 'DYN \(Position|GNU_RELRO|BIND_NOW|__stack_chk_fail|__[a-z]+_chk@' |
    sed 's/^__[a-z]*_chk@$/fortified/' | sort -u >"$out/found"
printf '%s\n' BIND_NOW "DYN (Position" GNU_RELRO __stack_chk_fail ${3:-} | diff -u - "$out/found"
