#!/usr/bin/env bash
# make windows: the Windows programs for both bitnesses, each as a folder that runs on a clean
# Windows (static runtime, nothing to install), as a zip of that folder and as an NSIS installer:
# build-windows/varnixpos-VERSION-winNN/, .zip and varnixpos-VERSION-winNN-setup.exe.
# The vendor's terminal library is usually 32-bit: a register with it uses the 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows

version="$(sed -n 's/^project(VarnixPos VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
# The DLLs every Windows since 7 has: anything else would have to be shipped beside the programs.
system_dlls='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|msvcrt|MSWSOCK|SHELL32|USER32|VERSION|WS2_32)\.dll$'
for bits in 32 64; do
  case "$bits" in 32) arch=i686; machine=i386 ;; 64) arch=x86_64; machine=x86-64 ;; esac
  build="build-windows/build-win$bits"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw.cmake" -DVARNIX_WINDOWS_BITS="$bits" \
    -DVARNIX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j "${JOBS:-2}" --target varnixpos-cli varnixpos-win32 pos-simulator Iae17
  folder="build-windows/varnixpos-$version-win$bits"
  rm -rf "$folder" "$folder.zip"
  # The folder holds what the installer installs: the same install rules, stripped.
  cmake --install "$build" --prefix "$folder" --strip >/dev/null
  # What was built is what was asked for: the machine, the system DLLs only, and the vendor's
  # plain export names.
  for file in "$folder"/*.exe "$folder"/*.dll; do
    "$arch-w64-mingw32-objdump" -f "$file" | grep -q "architecture: i386:$machine\|architecture: $machine\|architecture: i386$" ||
      { echo "windows: $file is not a $bits-bit program"; exit 1; }
    imports="$("$arch-w64-mingw32-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')"
    others="$(grep -viE "$system_dlls" <<<"$imports" || true)"
    [ -z "$others" ] || { echo "windows: $file needs DLLs Windows lacks: $others"; exit 1; }
  done
  # Every program carries the version information, which the About box and -V read back.
  for file in "$folder"/*.exe; do
    texts="$(strings -el "$file")"
    grep -A1 -x FileVersion <<<"$texts" | grep -qx "$version" ||
      { echo "windows: $file carries no version information $version"; exit 1; }
  done
  # varnixpos.exe is the windowed program: a GUI-subsystem executable, with no console window.
  # (The headers are read whole first: grep -q stopping early would fail the pipe.)
  headers="$("$arch-w64-mingw32-objdump" -p "$folder/varnixpos.exe")"
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" ||
    { echo "windows: $folder/varnixpos.exe is not a GUI program"; exit 1; }
  # Exactly the 14 names, and nothing decorated (_Name@N) beside them.
  names="$("$arch-w64-mingw32-objdump" -p "$folder/Iae17.dll" | sed -n '/Ordinal\/Name Pointer/,/^$/s/^\s*\[ *[0-9]*\] //p')"
  plain="$(grep -c '^IAE17AX_[A-Za-z0-9]*$' <<<"$names" || true)"
  [ "$plain" -eq 14 ] && [ "$(wc -l <<<"$names")" -eq 14 ] ||
    { echo "windows: Iae17.dll exports $plain plain IAE17AX_ names, not exactly 14:"; echo "$names"; exit 1; }
  (cd build-windows && zip -qr "varnixpos-$version-win$bits.zip" "varnixpos-$version-win$bits")

  # The installer, of the same bitness as the programs (a 32-bit installer of 64-bit programs
  # would install them into the 32-bit Program Files).
  setup="varnixpos-$version-win$bits-setup.exe"
  rm -f "$build/$setup" "build-windows/$setup"
  (cd "$build" && cpack -G NSIS >/dev/null) ||
    { echo "windows: makensis failed:"; cat "$build"/_CPack_Packages/*/NSIS/NSISOutput.log; exit 1; }
  "$arch-w64-mingw32-objdump" -f "$build/$setup" | grep -q "architecture: i386:$machine\|architecture: $machine\|architecture: i386$" ||
    { echo "windows: $setup is not a $bits-bit installer"; exit 1; }
  mv "$build/$setup" build-windows/
  echo "windows: $folder ($bits-bit), $folder.zip and build-windows/$setup"
done
