#!/usr/bin/env bash
# make windows: the Windows programs for both bitnesses, each in a folder that runs on a clean
# Windows (static runtime, nothing to install) and as a zip: build-windows/varnixpos-VERSION-winNN.
# The vendor's terminal library is usually 32-bit: a register with it uses the win32 folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows

version="$(sed -n 's/^project(VarnixPos VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
for bits in 32 64; do
  case "$bits" in 32) arch=i686; machine=i386 ;; 64) arch=x86_64; machine=x86-64 ;; esac
  build="build-windows/build-win$bits"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw.cmake" -DVARNIX_WINDOWS_BITS="$bits" \
    -DVARNIX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j "${JOBS:-2}" --target varnixpos-cli varnixpos-win32 Iae17
  folder="build-windows/varnixpos-$version-win$bits"
  rm -rf "$folder" "$folder.zip"
  mkdir -p "$folder"
  cp "$build/bin/varnixpos.exe" "$build/bin/varnixpos-cli.exe" "$build/bin/Iae17.dll" LICENSE \
    "$folder/"
  "$arch-w64-mingw32-strip" "$folder"/*.exe "$folder"/*.dll
  # What was built is what was asked for: the machine, and the vendor's plain export names.
  for file in "$folder"/*.exe "$folder"/*.dll; do
    "$arch-w64-mingw32-objdump" -f "$file" | grep -q "architecture: i386:$machine\|architecture: $machine\|architecture: i386$" ||
      { echo "windows: $file is not a $bits-bit program"; exit 1; }
  done
  # varnixpos.exe is the windowed program: a GUI-subsystem executable, with no console window.
  # (The headers are read whole first: grep -q stopping early would fail the pipe.)
  headers="$("$arch-w64-mingw32-objdump" -p "$folder/varnixpos.exe")"
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" ||
    { echo "windows: $folder/varnixpos.exe is not a GUI program"; exit 1; }
  exports="$("$arch-w64-mingw32-objdump" -p "$folder/Iae17.dll" | grep -c '\] IAE17AX_[A-Za-z0-9]*$' || true)"
  [ "$exports" -eq 14 ] || { echo "windows: Iae17.dll exports $exports plain IAE17AX_ names, not 14"; exit 1; }
  (cd build-windows && zip -qr "varnixpos-$version-win$bits.zip" "varnixpos-$version-win$bits")
  echo "windows: $folder ($bits-bit) and $folder.zip"
done
