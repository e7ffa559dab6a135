#!/usr/bin/env bash
# Installs what building OrbitQuail needs on Debian 12 (the missing apt
# packages); with --for-tests also what the test suite needs: the test
# frameworks, the proxy, the Windows cross-compilers and Wine, and the npm
# package of the interoperability test.
#   scripts/install-dependencies.sh [--for-tests]
set -euo pipefail
cd "$(dirname "$0")/.."
for_tests=false
[[ ${1:-} == --for-tests ]] && for_tests=true

packages=(
  g++ cmake make pkg-config
  libcli11-dev                 # command lines
  libcurl4-openssl-dev         # the conduit's HTTP on Linux
  libboost1.74-dev             # oq-tracker's HTTP server (Asio and Beast)
  libsqlite3-dev               # oq-tracker's catalogue database
  nlohmann-json3-dev           # oq-tracker's JSON
)
if $for_tests; then
  packages+=(
    libgtest-dev libgmock-dev    # tests
    clang libclang-rt-14-dev     # the fuzz targets (libFuzzer)
    clang-format                 # the layout of the sources (.clang-format)
    tinyproxy                    # the authenticating proxy of the proxy tests
    chromium                     # the tracker's status page, rendered headless
    dpkg-dev file                # the Debian package (dpkg-shlibdeps)
    g++-mingw-w64-i686           # the 32-bit Windows build
    g++-mingw-w64-x86-64 wine64 xvfb xauth  # the Windows bindings under Wine
  )
  command -v node >/dev/null 2>&1 || packages+=(nodejs npm)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
$for_tests || exit 0

# Where the kernel runs 32-bit x86 programs, the Wine suite runs the 32-bit
# Windows files, which are the product: that needs Debian's i386 Wine.
if scripts/runs-32-bit-x86.sh && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: wine32:i386 (this machine runs 32-bit programs)"
  export DEBIAN_FRONTEND=noninteractive
  if ! { dpkg --add-architecture i386 && apt-get update -qq &&
         apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; }; then
    echo "warning: wine32:i386 could not be installed; the Wine suite will run the 64-bit build" >&2
  fi
fi

# The package starts a system-wide proxy; the tests run their own.
if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet tinyproxy 2>/dev/null; then
  systemctl disable --now tinyproxy >/dev/null 2>&1 || true
fi

if [[ ! -d tests/interop/node_modules/palm-pdb ]]; then
  (cd tests/interop && npm ci --no-audit --no-fund --loglevel=error)
fi
