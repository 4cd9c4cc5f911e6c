#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need. Idempotent: when
# every package is already there it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest
  clang-format clang-tidy
  libasio-dev
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxcb1-dev
  xvfb xauth x11-utils openbox trayer
  python3
)
# `install-deps.sh fuzz`: clang's libFuzzer runtime as well, for `make fuzz`.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# `install-deps.sh windows`: the MinGW-w64 cross compilers and Wine, for `make windows` and
# `make test-windows`.
if [ "${1:-}" = "windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 wine wine64
             file zip)
fi
# `install-deps.sh package`: debootstrap, for `make package-check`'s fresh Debian.
if [ "${1:-}" = "package" ]; then
  packages+=(debootstrap lintian)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
