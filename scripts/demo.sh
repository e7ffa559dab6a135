#!/usr/bin/env bash
# The main job: build OrbitQuail, start the reference tracker on a free
# loopback port, write a sample backup folder of a handheld's programs (no
# catalogue, no preference: as a real handheld leaves it), HotSync it
# through the tracker (as the proxy the conduit's built-in URL goes
# through), and show which programs have newer versions.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh

echo "== Building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 >/dev/null
bin=build/bin

work=$(mktemp -d)
tracker_pid=
cleanup() {
  if [[ -n "$tracker_pid" ]]; then
    kill "$tracker_pid" 2>/dev/null || true
    wait "$tracker_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export ORBITQUAIL_HOME="$work/home"

echo "== Starting the reference tracker"
"$bin/oq-tracker" --catalog tracker/sample-catalog.tsv --message "Sample tracker: newer versions are marked below." \
  >"$work/tracker.log" 2>&1 &
tracker_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\).*|\1|p' "$work/tracker.log")
  [[ -n "$port" ]] && break
  kill -0 "$tracker_pid" 2>/dev/null || { cat "$work/tracker.log"; exit 1; }
  sleep 0.1
done
[[ -n "$port" ]] || { echo "the tracker did not start"; cat "$work/tracker.log"; exit 1; }
head -1 "$work/tracker.log"

echo
echo "== Writing a sample backup folder"
"$bin/oq-hotsync" sample --backup "$work/handheld"

echo
echo "== HotSync: the catalogue is made from the programs, then every program is tracked"
http_proxy="http://127.0.0.1:$port" no_proxy= "$bin/oq-hotsync" sync --handheld "$work/handheld" --user "Sample User"

echo
echo "== The programs with a newer version"
status=0
"$bin/oq-hotsync" show --outdated --handheld "$work/handheld" || status=$?
# 4: some program is outdated, as the sample tracker says.
[[ $status -eq 0 || $status -eq 4 ]] || exit "$status"
