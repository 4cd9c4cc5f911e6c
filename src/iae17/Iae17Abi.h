// The C interface of the terminal library: fourteen functions taking packed ANSI records by
// reference and returning 16-bit result codes. Shared by the core, which looks the functions up
// by name, and by our stand-in library, which exports them. __stdcall on 32-bit Windows.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define IAE17_CALL __stdcall
#else
#define IAE17_CALL
#endif

#ifdef _WIN32
#define IAE17_LIBRARY_FILE_NAME "Iae17.dll"
#else
#define IAE17_LIBRARY_FILE_NAME "libIae17.so"
#endif

extern "C" {
// ethParams: 22 bytes; comParams: 14 bytes; request: 219 bytes; data: 4267 bytes; version: 10.
typedef short(IAE17_CALL* Iae17InitEthFn)(char* ethParams);
typedef short(IAE17_CALL* Iae17InitRS232Fn)(char* comParams);
typedef short(IAE17_CALL* Iae17OperationFn)(char* request, char* data);
typedef short(IAE17_CALL* Iae17GetVersionFn)(char* version);
typedef short(IAE17_CALL* Iae17FreeFn)(void);
}
