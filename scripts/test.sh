#!/usr/bin/env bash
# The whole test suite, twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh

run_suite() {
  local dir=$1; shift
  echo "== ${dir}: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j2
  echo "== ${dir}: tests"
  ctest --test-dir "$dir" -j2 --output-on-failure --timeout 300
}

run_suite build
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-sanitize -DORBITQUAIL_SANITIZE=ON

echo "== build-windows: the 32-bit Windows files, cross-built"
scripts/build-windows.sh
tests/windows/check_tables.sh build-windows/bin
