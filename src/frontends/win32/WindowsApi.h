// The Win32 headers as every view includes them: the ANSI functions (the models hold
// Windows-1252 bytes, which these take as they are), without min/max macros.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: these depend on its types.
#include <commctrl.h>
#include <shellapi.h>
