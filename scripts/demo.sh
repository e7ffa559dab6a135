#!/usr/bin/env bash
# The main job: build OrbitQuail, start the reference tracker on a free
# loopback port, write a sample backup folder of a handheld's programs (no
# catalogue, no preference: as a real handheld leaves it), HotSync it
# through the tracker (as the proxy the conduit's built-in URL goes
# through), and show which programs have newer versions. The handheld, the
# desktop folder and the tracker's log stay in build-demo/ to look at
# afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh

echo "== Building (the programs only; scripts/test.sh builds and runs the tests)"
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBITQUAIL_TESTS=OFF >/dev/null
cmake --build build-demo -j2
bin=$PWD/build-demo/bin

demo=$PWD/build-demo/demo
rm -rf "$demo"
mkdir -p "$demo"
tracker_pid=
cleanup() {
  if [[ -n "$tracker_pid" ]]; then
    kill "$tracker_pid" 2>/dev/null || true
    wait "$tracker_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
export ORBITQUAIL_HOME="$demo/desktop"

echo
echo "== Starting the reference tracker (its request log: $demo/tracker.log)"
"$bin/oq-tracker" --catalog tracker/sample-catalog.tsv --message "Sample tracker: newer versions are marked below." \
  >"$demo/tracker.log" 2>&1 &
tracker_pid=$!
port=$(scripts/listening-port.sh "$demo/tracker.log") || { echo "the tracker did not start"; cat "$demo/tracker.log"; exit 1; }
echo "The tracker listens on http://127.0.0.1:$port"

echo
echo "== Writing a sample backup folder"
"$bin/oq-hotsync" sample --backup "$demo/handheld"

echo
echo "== HotSync: the catalogue is made from the programs, then every program is tracked"
http_proxy="http://127.0.0.1:$port" no_proxy= "$bin/oq-hotsync" sync --handheld "$demo/handheld" --user "Sample User"

echo
echo "== The programs with a newer version"
status=0
"$bin/oq-hotsync" show --outdated --handheld "$demo/handheld" || status=$?
# 4: some program is outdated, as the sample tracker says.
[[ $status -eq 0 || $status -eq 4 ]] || exit "$status"

echo
echo "The sample handheld stays in $demo/handheld; look at it again with"
echo "  ORBITQUAIL_HOME=$demo/desktop $bin/oq-hotsync show --handheld $demo/handheld"
