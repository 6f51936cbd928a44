#!/usr/bin/env bash
# Builds and runs the showcase.  It writes its pages (pictures and an
# index.html) into the folder given as the first argument, by default
# out/gallery.  Installs the Debian packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-out/gallery}
scripts/deps.sh build
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target corvane-gallery
mkdir -p "$out"
build/apps/gallery/corvane-gallery "$out"
echo "Showcase written to $out/index.html"
