#!/usr/bin/env bash
# The Windows files under Wine, against the stand-ins of the HotSync
# Manager's libraries, the Linux oq-tracker on loopback and a real tinyproxy.
#
#   tests/wine/run_wine_suite.sh WINDOWS_BIN LINUX_BIN [CAPTURES]
#
# Runs under xvfb-run (dialogs need a display). WINE and WINESERVER name
# the loader and server (default: wine, wineserver), so the same suite runs
# the 32-bit files with a 32-bit Wine or the 64-bit build with wine64.
# CAPTURES, when given, receives a PNG of each dialog (ImageMagick).
set -u
windows_bin=$(cd "$1" && pwd)
linux_bin=$(cd "$2" && pwd)
captures=${3:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
wine=${WINE:-wine}

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine passes the environment on; the conduit's proxy comes from the registry.
unset http_proxy HTTP_PROXY no_proxy
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  "${WINESERVER:-wineserver}" -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # name, expected substring, actual text
  if [[ "$3" == *"$2"* ]]; then
    passed=$((passed + 1)); echo "ok - $1"
  else
    failed=$((failed + 1)); printf 'not ok - %s\n  expected to find: %s\n  in: %s\n' "$1" "$2" "$3"
  fi
}
check_absent() {
  if [[ "$3" != *"$2"* ]]; then passed=$((passed + 1)); echo "ok - $1"
  else failed=$((failed + 1)); printf 'not ok - %s\n  did not expect: %s\n' "$1" "$2"; fi
}

"$wine" wineboot -i >/dev/null 2>&1
"${WINESERVER:-wineserver}" -p
windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
run() { (cd "$windows_bin" && "$wine" "$@" 2>&1 | tr -d '\r'); }
settings=$WINEPREFIX/drive_c/windows/OrbitQuail.ini
set_proxy() {
  "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' /v ProxyServer /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
start_tracker() {  # log file; sets port (not in a subshell: the cleanup must know its process)
  "$linux_bin/oq-tracker" --catalog "$source_dir/tracker/sample-catalog.tsv" --message "Hello from Wine's tracker" >"$1" 2>&1 &
  pids+=($!)
  port=$("$source_dir/scripts/listening-port.sh" "$1")
}
free_port() {  # a loopback port nothing answers on
  local port
  while true; do
    port=$(shuf -i 20000-60000 -n 1)
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

# ---- identity
out=$(run oq_testhost.exe identity)
for line in "name=0 OrbitQuail" "name4=Orb" "version=0x10200" "nulloutput=4209" "nullsize=4215" "nullinput=4212" \
            "badblock=4213" "kind0=0 OrbitQuail" "kind1size8=4211" "kind1=0 0x600" "kind2=0 0x0" "kind3=4208"; do
  check "identity: $line" "$line" "$out"
done

# ---- the sync gates
empty=$work/empty-handheld; mkdir -p "$empty"
out=$(run oq_testhost.exe sync "$(windows_path "$empty")" --action 6)
check "do nothing" "OrbitQuail - sync configured to Do Nothing" "$out"
out=$(run oq_testhost.exe sync "$(windows_path "$empty")")
check "missing catalogue, prefixed in the HotSync log" \
  "---    OrbitQuail: Can't find database, OQProgDB. Please run OrbitQuail palm program first." "$out"
check "missing catalogue is not a failure" "result=0x0" "$out"
handheld=$work/handheld
"$linux_bin/oq-hotsync" sample --handheld "$handheld" >/dev/null
out=$(run oq_testhost.exe sync "$(windows_path "$handheld")" --api 2.1)
check "Sync Manager 2.1 is refused" "SyncMgr version is less than 2.2" "$out"

# ---- a full pass through the proxy setting, compared with the Linux build's
start_tracker "$work/tracker.log"
set_proxy "127.0.0.1:$port"
printf '[Track]\r\nPeriod=-1\r\n' >"$settings"
capture_dir=$work/captures; mkdir -p "$capture_dir"
out=$(ORBITQUAIL_DIALOG_CAPTURE=$(windows_path "$capture_dir") run oq_testhost.exe sync "$(windows_path "$handheld")")
check "full pass succeeds" "--- OK - OrbitQuail ---" "$out"
check "full pass counts down" "result=0x0" "$out"
check "LastTrackTime written" "LastTrackTime=" "$(cat "$settings")"
linux_handheld=$work/linux-handheld
"$linux_bin/oq-hotsync" sample --handheld "$linux_handheld" >/dev/null
ORBITQUAIL_HOME=$work/linux-home http_proxy=http://127.0.0.1:$port \
  "$linux_bin/oq-hotsync" sync --handheld "$linux_handheld" --action 0 >/dev/null 2>&1
wine_records=$("$linux_bin/pdb_tool" dump "$handheld/OQProgDB.pdb" 2>&1)
linux_records=$("$linux_bin/pdb_tool" dump "$linux_handheld/OQProgDB.pdb" 2>&1)
check "records written under Wine equal the Linux build's, byte for byte" "$linux_records" "$wine_records"
check "the tracker's answer landed" "record" "$wine_records"
shown=$("$linux_bin/oq-hotsync" show --handheld "$handheld")
check "server message stored in the preference" "Server message: Hello from Wine's tracker" "$shown"

# ---- the transport against a tracker that misbehaves on purpose
tracker_port=$port
start_scripted_tracker() {  # log file, then CREATOR=BEHAVIOUR arguments; sets port
  local log=$1; shift
  "$linux_bin/scripted_tracker" "$@" >"$log" 2>&1 &
  pids+=($!)
  port=$("$source_dir/scripts/listening-port.sh" "$log")
}
stop_last() { kill "${pids[-1]}" 2>/dev/null; wait "${pids[-1]}" 2>/dev/null; }
scripted=$work/scripted-handheld
# A fresh sample handheld synced, with the time-out given, through a scripted
# tracker that behaves as told; sets out and leaves the tracker's log in LOG.
sync_against_scripted() {  # LOG TIMEOUT CREATOR=BEHAVIOUR...
  local log=$1 timeout=$2; shift 2
  rm -rf "$scripted"
  "$linux_bin/oq-hotsync" sample --handheld "$scripted" >/dev/null
  start_scripted_tracker "$log" "$@"
  set_proxy "127.0.0.1:$port"
  out=$(ORBITQUAIL_HTTP_TIMEOUT=$timeout timeout 120 "$wine" "$windows_bin/oq_testhost.exe" sync \
    "$(windows_path "$scripted")" 2>&1 | tr -d '\r')
  stop_last
}
printf '[Track]\r\nPeriod=-1\r\n' >"$settings"

sync_against_scripted "$work/cut500.log" 60 StCh=cut:500
check "a 500 whose body is cut keeps its status" "Failed to get data from server. HTTP Error: 1F4" "$out"
check "a 500 whose body is cut ends the pass with -1" "result=0xFFFFFFFF" "$out"
check_absent "no program is asked after the 500" "creator=WdHt" "$(cat "$work/cut500.log")"

sync_against_scripted "$work/cut200.log" 1 qNte=trickle StCh=cut
check "a trickled body ends at the request's deadline" "did not complete within 2 seconds" "$out"
check "a body shorter than its declared length is a failure" "ended after" "$out"
check "the pass goes on after bodies that failed under 200" "result=0x0" "$out"
shown=$("$linux_bin/oq-hotsync" show --handheld "$scripted")
check_absent "no cut or slow body is written into a record" "9.9" "$shown"
check "the program after them is tracked" "nothing on MthL" "$shown"

sync_against_scripted "$work/silent.log" 2 StCh=silent WdHt=silent
check "the time-out reaches a request that is never answered" "HTTP error while getting data." "$out"
check "two silent queries in a row end the pass" "The server did not answer two queries in a row; tracking stopped." "$out"
check "a server that stopped answering ends the pass with -1" "result=0xFFFFFFFF" "$out"
port=$tracker_port

# ---- proxy authentication with tinyproxy (options 43 and 44 after its 407)
proxy_port=$(free_port)
cat >"$work/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Timeout 30
LogLevel Critical
Allow 127.0.0.1
DisableViaHeader Yes
BasicAuth quail s3cret
Upstream http 127.0.0.1:$port
CONF
[[ $(id -u) == 0 ]] && printf 'User nobody\nGroup nogroup\n' >>"$work/tinyproxy.conf"
tinyproxy -d -c "$work/tinyproxy.conf" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && break; sleep 0.1; done
set_proxy "127.0.0.1:$proxy_port"
printf '[Track]\r\nPeriod=-1\r\n[AuthProxy]\r\nEnable=No\r\n' >"$settings"
out=$(run oq_testhost.exe sync "$(windows_path "$handheld")")
check "without credentials the proxy answers 407" "HTTP Error: 197" "$out"
printf '[Track]\r\nPeriod=-1\r\n[AuthProxy]\r\nEnable=yes\r\nUserName=quail\r\nPassword=s3cret\r\n' >"$settings"
out=$(run oq_testhost.exe sync "$(windows_path "$handheld")")
check "credentials offered after the 407 get through" "--- OK - OrbitQuail ---" "$out"

# ---- the configuration exports, the dialog driven by control identifier
export ORBITQUAIL_DIALOG_CAPTURE=$(windows_path "$capture_dir")
out=$(ORBITQUAIL_DIALOG_SCRIPT="set 1013 45; ok" run oq_testhost.exe cfg)
for line in "nullblock=4212" "nullsize=4216" "badsize=4218" "badtype=4217" "badversion=4219" "dialog=0 chosen=0 kind=2"; do
  check "CfgConduit: $line" "$line" "$out"
done
check "OK clamps the day count and keeps every time" "Period=-30" "$(cat "$settings")"
out=$(ORBITQUAIL_DIALOG_SCRIPT="click 407; click 411; ok" run oq_testhost.exe configure 0)
check "ConfigureConduit keeps the chosen action" "configure=0 action=6 kind=1" "$out"
out=$(ORBITQUAIL_DIALOG_CAPTURE= ORBITQUAIL_DIALOG_SCRIPT="cancel" run oq_testhost.exe configure 3)
check "ConfigureConduit after Cancel" "configure=-1 action=3 kind=0" "$out"
printf '[Track]\r\nPeriod=-1\r\nLastTrackTime=4102444800\r\n' >"$settings"
out=$(ORBITQUAIL_DIALOG_CAPTURE= ORBITQUAIL_DIALOG_SCRIPT="set 1013 ; type 1013 4x5; show 1013; show 1014; cancel" \
  run oq_testhost.exe cfg)
check "the day count is a number edit: typed letters are refused" "1013=45" "$out"
check "a last tracking time after 2038 is shown as it is" "2100" "$(grep '^1014=' <<<"$out")"
for bitmap in 103 104 105 106; do
  check "bitmap $bitmap has a colour table, so its grey maps to the button face" "corner=123456" \
    "$(run oq_testhost.exe mapped-bitmap $bitmap)"
done

# ---- the installer's registration and the -512 path, run from the product's
# folder as users run it: the Palm Desktop libraries are not beside it
home=$work/home
"$linux_bin/oq-hotsync" sample --program "$work/product/OrbitQuail.prc" >/dev/null
cp "$windows_bin/OrbitQuail.dll" "$windows_bin/OrbitQuailInstaller.exe" "$work/product/"
# The users come from HotSyncs of a handheld's backup folder (oq-hotsync
# refuses a folder without Palm databases).
users_handheld=$work/users-handheld
"$linux_bin/oq-hotsync" sample --backup "$users_handheld" >/dev/null
ORBITQUAIL_HOME=$home "$linux_bin/oq-hotsync" sync --handheld "$users_handheld" --user Wine --action 6 >/dev/null 2>&1
ORBITQUAIL_HOME=$home "$linux_bin/oq-hotsync" sync --handheld "$users_handheld" --user 'a;b' --action 6 >/dev/null 2>&1
export ORBITQUAIL_HOME=$(windows_path "$home")
install_from() {  # folder, installer arguments
  local folder=$1; shift
  (cd "$folder" && timeout 120 "$wine" OrbitQuailInstaller.exe "$@" 2>&1 | tr -d '\r'; echo "exit=${PIPESTATUS[0]}")
}
core_key='HKCU\Software\U.S. Robotics\Pilot Desktop\Core'
check "the installer says its version" "OrbitQuailInstaller (OrbitQuail) " "$(install_from "$work/product" --version)"
out=$(install_from "$work/product" --install)
check "the installer refuses --install without --user, as on Linux" "exit=2" "$out"

out=$(install_from "$work/product" --user Wine --install)
check "without Palm Desktop the installer says to install it first" "Please install Palm Desktop first" "$out"
check "without Palm Desktop the installer fails" "exit=1" "$out"
"$wine" reg add "$core_key" /v Path /t REG_SZ /d "$(windows_path "$windows_bin")" /f >/dev/null 2>&1
out=$(cd "$work/product" && ORBITQUAIL_DIALOG_SCRIPT="sysmenu 16; click 1002" "$wine" OrbitQuailInstaller.exe 2>&1 | tr -d '\r')
check_absent "the About box and Exit leave nothing queued" "OrbitQuail.prc" "$(ls "$home/palm/users/Wine/Install" 2>/dev/null)"
out=$(cd "$work/product" && "$wine" "$windows_bin/oq_testhost.exe" installer-window \
  "$(windows_path "$work/product/OrbitQuailInstaller.exe")" 2>&1 | tr -d '\r')
check "the installer's main window has no owner" "owner=none" "$out"
check "the window in front stays enabled while the installer runs" "front=enabled" "$out"
out=$(install_from "$work/product" --user Wine --install)
check "installer completes with Palm Desktop found through the registry" "[Install Complete] The installation is complete." "$out"
check "conduit registered under rkOQ" "Library=OrbitQuail.dll" "$(cat "$home/palm/conduits.ini" 2>/dev/null)"
check "program queued" "OrbitQuail.prc" "$(ls "$home/palm/users/Wine/Install" 2>/dev/null)"
rm -f "$home/palm/conduits.ini"
out=$(install_from "$work/product" --user Wine --install)
check "a second install while queued stops" "OrbitQuail program had been intsalled into Palm Desktop." "$out"
check_absent "the registry stays untouched" "rkOQ" "$(cat "$home/palm/conduits.ini" 2>/dev/null)"
out=$(install_from "$work/product" --user 'a;b' --install)
check "a user name with a semicolon installs" "[Install Complete]" "$out"
check "queued for the user named a;b" "OrbitQuail.prc" "$(ls "$home/palm/users/a;b/Install" 2>/dev/null)"
accented=$work/produkt-$'\xc3\xa9'
mkdir -p "$accented"
cp "$work/product/"{OrbitQuail.prc,OrbitQuail.dll,OrbitQuailInstaller.exe} "$accented/"
rm -rf "$home/palm/users/Wine/Install"
out=$(install_from "$accented" --user Wine --install)
check "an install from a folder with a non-ASCII name completes" "[Install Complete]" "$out"
check "the queued program is the one in that folder, byte for byte" "same" \
  "$(cmp -s "$accented/OrbitQuail.prc" "$home/palm/users/Wine/Install/OrbitQuail.prc" && echo same)"
unset ORBITQUAIL_HOME ORBITQUAIL_DIALOG_CAPTURE

if [[ -n "$captures" ]]; then
  mkdir -p "$captures"
  for bitmap in "$capture_dir"/*.bmp; do
    [[ -e "$bitmap" ]] && convert "$bitmap" "$captures/$(basename "${bitmap%.bmp}").png"
  done
fi

echo "$passed passed, $failed failed"
((failed == 0))
