#!/usr/bin/env bash
# The main job: build OrbitQuail, make a sample handheld image and HotSync it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 >/dev/null
bin=build/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORBITQUAIL_HOME="$work/home"

"$bin/oq-hotsync" sample --handheld "$work/handheld"
echo
echo "== HotSync"
"$bin/oq-hotsync" sync --handheld "$work/handheld" --user "Sample User"
