#!/usr/bin/env bash
# The Windows files as the HotSync Manager and Windows will load them: what
# they import (the HotSync Manager's libraries by ordinal where those have
# ordinals, no runtime DLL beyond Windows' own) and what they export.
#   tests/windows/check_tables.sh BIN_DIR
set -u
bin=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
passed=0
failed=0

check() {
  local name=$1 expected=$2 actual=$3
  if [[ "$expected" == "$actual" ]]; then
    passed=$((passed + 1))
    echo "ok - $name"
  else
    failed=$((failed + 1))
    printf 'not ok - %s\n  expected: %s\n  actual:   %s\n' "$name" "$expected" "$actual"
  fi
}

# The entries imported from one library, sorted: "#N" by ordinal, names as they are.
imports() {
  "$objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { inside = (tolower($3) == tolower(dll)); next }
    inside && /^\t[0-9a-f]+\t/ { if ($3 == "<none>") print "#" $2; else print $3 }
    inside && /^$/ { inside = 0 }' | sort | tr '\n' ' ' | sed 's/ $//'
}

libraries() {
  "$objdump" -p "$1" | awk '/DLL Name:/ { print tolower($3) }' | sort | tr '\n' ' ' | sed 's/ $//'
}

exports() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { inside = 1; next } inside && /^\t\[/ { print $NF } inside && /^$/ { inside = 0 }' |
    sort | tr '\n' ' ' | sed 's/ $//'
}

# Ordinals a library exports, sorted numerically.
exported_ordinals() {
  "$objdump" -p "$1" | awk '/^\[Ordinal\/Name Pointer\]|Export Address Table/ { inside = 1; next }
    inside && /^\t\[ *[0-9]+\] \+base\[ *[0-9]+\]/ { gsub(/[^0-9 ]/, " "); split($0, f, " "); print f[2] }
    inside && /^$/ { inside = 0 }' | sort -n | tr '\n' ' ' | sed 's/ $//'
}

conduit=$bin/OrbitQuail.dll
installer=$bin/OrbitQuailInstaller.exe

check "OrbitQuail.dll exports the six conduit functions, undecorated" \
  "CfgConduit ConfigureConduit GetConduitInfo GetConduitName GetConduitVersion OpenConduit" "$(exports "$conduit")"
check "OrbitQuail.dll imports the Sync Manager by ordinal, the rest by name" \
  "#22 #23 #26 #28 #32 #36 #42 SyncGetAPIVersion SyncReadAppPreference SyncReadOpenDbInfo SyncWriteAppPreference SyncYieldCycles" \
  "$(imports "$conduit" SYNC20.dll)"
check "OrbitQuail.dll imports the HotSync log's ordinal 52" "#52" "$(imports "$conduit" HSLOG20.dll)"
# Anything but Windows' own libraries and the HotSync Manager's.
foreign() {
  libraries "$1" | tr ' ' '\n' |
    grep -ivE '^(kernel32|user32|gdi32|comctl32|wininet|msvcrt|advapi32|shell32|sync20|hslog20|instaide|condmgr|hsapi)\.dll$' |
    tr '\n' ' ' | sed 's/ $//'
}

check "OrbitQuail.dll needs no runtime DLL beyond Windows' own and the HotSync Manager's" "" "$(foreign "$conduit")"
check "the installer loads the Palm Desktop libraries at run time, not at load time" "" \
  "$(libraries "$installer" | tr ' ' '\n' | grep -iE '^(instaide|condmgr|hsapi)\.dll$')"
check "the installer is a windowed program" "(Windows GUI)" "$("$objdump" -p "$installer" | awk '/^Subsystem/ { print $3, $4 }')"
check "the installer needs no runtime DLL beyond Windows' own and the HotSync Manager's" "" "$(foreign "$installer")"

# The stand-ins of the Wine suite answer at the same ordinals.
check "the stand-in SYNC20.dll exports the Sync Manager's ordinals" "yes" \
  "$(o=" $(exported_ordinals "$bin/SYNC20.dll") "; for n in 22 23 26 28 32 36 42; do [[ $o == *" $n "* ]] || { echo "no ($n missing)"; exit; }; done; echo yes)"
check "the stand-in INSTAIDE.dll exports 101, 102, 103 and 108" "101 102 103 108" "$(exported_ordinals "$bin/INSTAIDE.dll")"
check "the stand-in CONDMGR.dll exports 46, 54, 65 and 67" "46 54 65 67" "$(exported_ordinals "$bin/CONDMGR.dll")"

echo "$passed passed, $failed failed"
((failed == 0))
