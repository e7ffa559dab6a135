#!/usr/bin/env bash
# Cross-builds OrbitQuail.dll and OrbitQuailInstaller.exe for 32-bit Windows
# and packs the release zip (build-windows/OrbitQuail-<version>-win32.zip).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh --for-tests
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j2
cmake --build build-windows --target release
