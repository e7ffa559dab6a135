#!/usr/bin/env bash
# The whole test suite, twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh --for-tests

echo "== the layout of the sources: clang-format, as .clang-format sets it"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

run_suite() {
  local dir=$1; shift
  echo "== ${dir}: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j2
  echo "== ${dir}: tests"
  ctest --test-dir "$dir" -j2 --output-on-failure --timeout 300
}

run_suite build

echo "== the Debian package: built, its dependencies resolved by apt, run from where it unpacks"
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/orbitquail_*_"$(dpkg --print-architecture)".deb)
echo "$deb: $(dpkg-deb -f "$deb" Depends)"
apt-get install --simulate --no-install-recommends "./$deb" >/dev/null
unpacked=$(mktemp -d)
dpkg -x "$deb" "$unpacked"
(cd / && "$unpacked/usr/bin/oq-hotsync" --version)
rm -rf "$unpacked"

# Unoptimised: the sanitizers find the same faults, and it builds in about
# half the time.
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-sanitize -DORBITQUAIL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

echo "== fuzzing: each target briefly (scripts/fuzz.sh SECONDS for longer)"
scripts/fuzz.sh 15

echo "== build-windows: the 32-bit Windows files, cross-built"
scripts/build-windows.sh
tests/windows/check_tables.sh build-windows/bin

# The Wine suite runs the 32-bit files, the product, where this machine runs
# 32-bit programs and has a 32-bit Wine; elsewhere the 64-bit build of the
# same sources.
if scripts/runs-32-bit-x86.sh && [[ -x /usr/lib/wine/wine && -x /usr/lib/wine/wineserver32 ]]; then
  echo "== build-windows under Wine: the 32-bit files (this machine runs 32-bit programs)"
  WINE=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 \
    xvfb-run -a tests/wine/run_wine_suite.sh build-windows/bin build/bin
else
  echo "== build-win64 under Wine: the 64-bit build of the same sources (this machine runs no 32-bit programs)"
  cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-win64 -j2
  WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 \
    xvfb-run -a tests/wine/run_wine_suite.sh build-win64/bin build/bin
fi
