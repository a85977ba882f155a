#!/usr/bin/env bash
# Installs every build and test dependency of Korvane from Debian's packages.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libsqlite3-dev                # the plant archive
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fontconfig fonts-dejavu-core
  libwmf-bin fonts-urw-base35   # libwmf reads metafile texts with these (only recommended by libwmf)
  # a spreadsheet program that opens format B exports in a test (Gnumeric's headless converter
  # cannot be told to split at semicolons)
  libreoffice-calc-nogui
  clang-format
  clang libclang-rt-14-dev      # the fuzz targets (scripts/fuzz.sh): clang with libFuzzer
  valgrind                      # tests/valgrind.sh: memcheck over the CLI and the dialog tests
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
