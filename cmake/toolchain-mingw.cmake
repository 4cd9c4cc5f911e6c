# Cross-compiles for Windows with Debian's MinGW-w64 (posix threads variant), 64-bit unless
# VARNIX_WINDOWS_BITS is 32, and runs the resulting executables under Wine, so ctest works
# unchanged on the cross build.
set(CMAKE_SYSTEM_NAME Windows)
if(VARNIX_WINDOWS_BITS STREQUAL "32")
  set(CMAKE_SYSTEM_PROCESSOR i686)
  set(TOOLCHAIN_PREFIX i686-w64-mingw32)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
endif()

set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A self-contained executable: Wine then needs no MinGW runtime DLLs on its path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

if(VARNIX_WINDOWS_BITS STREQUAL "32")
  find_program(WINE_EXECUTABLE NAMES wine)
else()
  find_program(WINE_EXECUTABLE NAMES wine64 wine)
endif()
if(WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
endif()
