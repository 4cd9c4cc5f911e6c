// The Win32 headers as every view includes them: the ANSI functions (the models hold
// Windows-1252 bytes, which these take as they are), without min/max macros.
#pragma once

#include "platform/win32/WindowsHeaders.h"
// windows.h first: these depend on its types.
#include <commctrl.h>
#include <shellapi.h>
