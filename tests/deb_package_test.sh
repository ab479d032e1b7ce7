#!/bin/sh
# usage: deb_package_test.sh BUILD_DIR APP_ID [fortified]. After lintian, checks what it cannot:
# Wayland's plugin recommended, the package's files, the desktop entry and AppStream metadata
# without even a hint from their validators (Exec naming the program), and hardening as Debian's
# own: PIE, full RELRO, stack protector, fortify.
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$1/CPackConfig.cmake" \
    -D "CPACK_DEBIAN_PACKAGE_MAINTAINER=Test <test@example.org>" >/dev/null
lintian --fail-on error,warning "$out"/*.deb
[ "$(dpkg-deb -f "$out"/*.deb Recommends)" = qt6-wayland ]
dpkg-deb --contents "$out"/*.deb | grep -oE '/usr/(bin/|share/(applications|metainfo|icons)/).*[^/]$' >"$out/found"
{ printf '%s\n' /usr/bin/kestrune "/usr/share/applications/$2.desktop"
printf "/usr/share/icons/hicolor/%s/apps/$2.png\n" 16x16 32x32 48x48
printf '%s\n' "/usr/share/icons/hicolor/scalable/apps/$2.svg" "/usr/share/metainfo/$2.metainfo.xml"
} | diff -u - "$out/found"
dpkg-deb -x "$out"/*.deb "$out/root" && cd "$out/root/usr"
[ -z "$(desktop-file-validate "share/applications/$2.desktop")" ]
test -x "$(sed -n 's|^Exec=|bin/|p' "share/applications/$2.desktop")"
if appstreamcli validate --no-net --explain "share/metainfo/$2.metainfo.xml" | grep '[EWI]: '; then
    exit 1
fi
readelf -hldW --dyn-syms bin/kestrune | grep -oE 'DYN \(Position|GNU_RELRO|BIND_NOW|__stack_chk_fail|__[a-z]+_chk@' |
    sed 's/^__[a-z]*_chk@$/fortified/' | sort -u >"$out/found"
printf '%s\n' BIND_NOW "DYN (Position" GNU_RELRO __stack_chk_fail ${3:-} | diff -u - "$out/found"
