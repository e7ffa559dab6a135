#!/usr/bin/env bash
# The installed tree on its own: installs the build into a temporary prefix
# and runs a whole HotSync with the installed programs, started from an
# unrelated folder, against the installed tracker and sample catalogue.
#   tests/packaging/installed_tree_test.sh BUILD_DIR
set -euo pipefail
build=$1
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
work=$(mktemp -d)
tracker=
cleanup() {
  [[ -n "$tracker" ]] && { kill "$tracker" 2>/dev/null; wait "$tracker" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "not ok - $*"; exit 1; }

# The service's settings go to /etc whatever the prefix: that component is
# staged under a root of its own below.
cmake --install "$build" --prefix "$work/prefix" --component Unspecified >/dev/null
bin=$work/prefix/bin
cd "$work"
[[ $("$bin/oq-hotsync" --version) == "oq-hotsync (OrbitQuail) "* ]] || fail "oq-hotsync --version"
[[ $("$bin/oq-tracker" --version) == "oq-tracker (OrbitQuail) "* ]] || fail "oq-tracker --version"
[[ $("$bin/OrbitQuailInstaller" --version) == "OrbitQuailInstaller (OrbitQuail) "* ]] || fail "OrbitQuailInstaller --version"
echo "ok - the installed programs start from any folder"

syncmgr=$(find "$work/prefix" -name liboqsyncmgr.so)
[[ -n "$syncmgr" ]] || fail "liboqsyncmgr.so is not installed"
hooks=$(nm -D --defined-only "$syncmgr" | c++filt | grep -E 'FailNthCall|CallCount|SetReportedRecordCount|ConduitRegistered|OpenDatabaseCount' || true)
[[ -z "$hooks" ]] || fail "the installed Sync Manager stand-in exports the tests' hooks: $hooks"
[[ -z $(find "$work/prefix" -path '*testing*') ]] || fail "the tests' build of a library is installed"
echo "ok - the installed Sync Manager stand-in has no test hooks"

"$bin/oq-tracker" --catalog "$work/prefix/share/orbitquail/sample-catalog.tsv" >"$work/tracker.log" 2>&1 &
tracker=$!
port=$("$scripts/listening-port.sh" "$work/tracker.log") || true
[[ -n "$port" ]] || fail "the installed tracker did not start: $(cat "$work/tracker.log")"

export ORBITQUAIL_HOME=$work/home
"$bin/oq-hotsync" sample --backup "$work/handheld" >/dev/null
out=$(http_proxy=http://127.0.0.1:$port "$bin/oq-hotsync" sync --handheld "$work/handheld" --user Me 2>&1) ||
  fail "the installed oq-hotsync sync: $out"
[[ $out == *"OK OrbitQuail"* ]] || fail "the HotSync did not track: $out"
echo "ok - a HotSync with the installed conduit, found in the private library folder"
[[ -s $work/prefix/share/man/man1/oq-hotsync.1 && -s $work/prefix/share/bash-completion/completions/oq-hotsync ]] ||
  fail "the man page or the completion is missing"
bash -c "source '$work/prefix/share/bash-completion/completions/oq-hotsync'; COMP_WORDS=(oq-hotsync sy); COMP_CWORD=1; _oq_hotsync; [[ \${COMPREPLY[*]} == sync ]]" ||
  fail "the completion does not complete 'sy'"
echo "ok - man page and completion installed"

DESTDIR=$work/root cmake --install "$build" --prefix /usr --component service >/dev/null
unit=$work/root/usr/lib/systemd/system/oq-tracker.service
settings=$work/root/etc/default/orbitquail-tracker
[[ -s $unit && -s $settings ]] || fail "the tracker's service unit or its settings are missing"
# What the unit runs, with the settings it reads, against a state folder here.
(
  set -a
  source "$settings"
  set +a
  OQ_TRACKER_DB=$work/state/tracker.db OQ_TRACKER_LISTEN=127.0.0.1:0
  mkdir -p "$work/state"
  pre=$(sed -n 's/^ExecStartPre=//p' "$unit" | sed "s|/usr/bin/|$bin/|; s|\${OQ_TRACKER_DB}|$OQ_TRACKER_DB|")
  $pre >/dev/null || fail "the unit's ExecStartPre: $pre"
  [[ -s $OQ_TRACKER_DB ]] || fail "ExecStartPre made no database"
  $pre >/dev/null || fail "the unit's ExecStartPre run a second time"
)
if command -v systemd-analyze >/dev/null 2>&1; then
  # Checked as the file it is; the program and the man page it names are
  # the package's, not installed on this machine.
  out=$(systemd-analyze verify "$unit" 2>&1 | grep -v -e '/usr/bin/oq-tracker is not executable' -e "'man oq-tracker(1)' failed" || true)
  [[ -z $out ]] || fail "systemd-analyze verify: $out"
fi
echo "ok - the tracker's service unit runs its database's set-up, with its settings"
