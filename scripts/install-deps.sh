#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need. Idempotent: when
# every package is already there it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest
  clang-format clang-tidy
  libasio-dev nlohmann-json3-dev
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxcb1-dev
  xvfb xauth x11-utils xdotool openbox trayer
  python3
  # The test-set report is read in the tests by real JUnit consumers: junitparser, and
  # test-results-parser from npm (below).
  python3-junitparser
  # make package: CPack looks up the package's dependencies (dpkg-shlibdeps) only with `file`.
  file
)
# `install-deps.sh fuzz`: clang's libFuzzer runtime as well, for `make fuzz`.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# `install-deps.sh windows`: the MinGW-w64 cross compilers, NSIS for the installers and Wine,
# for `make windows` and `make test-windows`.
if [ "${1:-}" = "windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 nsis wine
             wine64 file zip)
fi
# `install-deps.sh docs`: a headless browser, for the test-set report's screenshot
# (scripts/report-screenshot.sh).
if [ "${1:-}" = "docs" ]; then
  packages+=(chromium-headless-shell fonts-dejavu-core)
fi
# `install-deps.sh package`: debootstrap, for `make package-check`'s fresh Debian.
if [ "${1:-}" = "package" ]; then
  packages+=(debootstrap lintian)
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# 32-bit Wine, to run the 32-bit programs too: Debian's wine32 from the i386 architecture. Its
# libraries must match the 64-bit ones version for version, so a mirror whose i386 lists are
# missing or mid-sync makes it impossible; then the i386 architecture is taken back off (while no
# i386 package is installed) so that it leaves no failing lists behind, and the 32-bit programs
# get static checks only (make test-windows says so).
# A failed try is not repeated for a day (the stamp below), so that every make windows does not
# pay for two package-list downloads.
wine32_stamp=/var/tmp/varnixpos-wine32-unavailable
install_wine32() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && return 0
  if [ -n "$(find "$wine32_stamp" -mmin -1440 2>/dev/null)" ]; then
    echo "install-deps: 32-bit Wine could not be installed earlier today ($wine32_stamp); not tried again"
    return 1
  fi
  local added=""
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added=yes
  fi
  # A list that failed to download makes apt-get update fail, yet the others may be enough.
  $sudo apt-get update -q || true
  if $sudo apt-get install -y -q --no-install-recommends wine32:i386; then
    return 0
  fi
  echo "install-deps: 32-bit Wine (wine32:i386) could not be installed; 32-bit programs get static checks only"
  $sudo touch "$wine32_stamp" || true
  if [ -n "$added" ] && [ -z "$(dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -x i386)" ]; then
    $sudo dpkg --remove-architecture i386
    $sudo apt-get update -q || true
  fi
}
# Opt-in for now (VARNIX_WINE32=try): on a 32-bit-capable Wine the windowed programs' test
# (wine-app-test.sh) does not yet pass reliably (WM_CLOSE not ending the program, the console not
# showing, under load); until it does, CI runs the 64-bit half only and says the 32-bit one was
# skipped.
if [ "${1:-}" = "windows" ] && [ "${VARNIX_WINE32:-no}" != "no" ]; then
  install_wine32 || true
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Node is taken as it is when the machine has one (it may not be Debian's, and Debian's npm would
# clash with it); otherwise Debian's.
if ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
else
  echo "install-deps: installing ${missing[*]}"
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The npm JUnit consumer, globally, at the version the tests were written against.
if ! NODE_PATH="$(npm root -g)" node -e "require('test-results-parser')" 2>/dev/null; then
  echo "install-deps: installing test-results-parser (npm)"
  $sudo npm install --global --no-fund --no-audit test-results-parser@0.4.6
fi
