#!/bin/sh
# Installs the build tree into a fresh prefix and checks that the desktop files and the
# icons of every size are where the freedesktop specifications expect them.
# Usage: check-install.sh <cmake> <build dir> <prefix> <data dir, relative to the prefix>
set -eu
cmake=$1 build=$2 prefix=$3 datadir=$4

rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

failed=0
expect() {
  if [ ! -s "$prefix/$datadir/$1" ]; then
    echo "missing: $datadir/$1"
    failed=1
  fi
}
# PNG: width and height are the big-endian words at bytes 16 and 20.
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}

expect applications/example.zarvo.zcnconverter.desktop
expect metainfo/example.zarvo.zcnconverter.metainfo.xml
expect icons/hicolor/scalable/apps/zcn-converter.svg
for size in 16 24 32 48 128; do
  icon=icons/hicolor/${size}x${size}/apps/zcn-converter.png
  expect "$icon"
  if [ -s "$prefix/$datadir/$icon" ]; then
    actual=$(png_size "$prefix/$datadir/$icon")
    if [ "$actual" != "${size}x${size}" ]; then
      echo "wrong size: $datadir/$icon is $actual"
      failed=1
    fi
  fi
done

[ "$failed" -eq 0 ] && echo "installed desktop files and icons are in place"
exit "$failed"
