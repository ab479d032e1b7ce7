#!/bin/sh
# usage: tools/reproducible.sh DIR
# Builds the last commit twice, in DIR/a and then DIR/b, makes its packages (the .deb, the zip and
# the installer) and compares them byte for byte. To see what differs: diffoscope DIR/a/X DIR/b/X.
set -eu
dir=$(realpath -m "$1")
rm -rf "$dir" && mkdir -p "$dir"
for side in a b; do
    git clone -q --no-hardlinks . "$dir/$side"
    make -C "$dir/$side" package package-windows KESTRUNE_MAINTAINER="Test <test@example.org>" \
        CMAKE_FLAGS="-DKESTRUNE_BUILD_TESTS=OFF -DKESTRUNE_BUILD_BENCH=OFF" >"$dir/$side.log" 2>&1 ||
        { tail -20 "$dir/$side.log"; exit 1; }
done
status=0
for a in "$dir"/a/build/*.deb "$dir"/a/build-windows/*.zip "$dir"/a/build-windows/*-win64.exe; do
    package=${a#"$dir"/a/}
    cmp -s "$a" "$dir/b/$package" && echo "same: $package" || { echo "differs: $package"; status=1; }
done
exit $status
