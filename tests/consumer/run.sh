#!/usr/bin/env bash
# Builds the consumer program against the pack in the three supported ways
# and runs it each time.  Usage: run.sh <source dir> <build dir> <work dir>
# where <build dir> is a configured and built tree of the pack.
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
rm -rf "$3"
mkdir -p "$3"
work=$(cd "$3" && pwd)
here="$src/tests/consumer"

echo "== consumer: add_subdirectory"
cmake -G Ninja -S "$here" -B "$work/sub" -DCORVANE_CONSUMER_MODE=subdirectory \
      -DCORVANE_SOURCE_DIR="$src" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/sub" --target consumer >/dev/null
"$work/sub/consumer"

echo "== consumer: cmake --install, then find_package(Corvane)"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(dirname "$(find "$work/prefix" -name 'libCorvanePack.so' | head -n1)")
cmake -G Ninja -S "$here" -B "$work/pkg" -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/pkg" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/pkg/consumer"

echo "== consumer: pkg-config"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
c++ "$here/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs corvane) \
    -Wl,-rpath,"$libdir"
"$work/consumer-pc"
echo "consumer: all three ways work"
