// The steps every terminal operation shares with the console: opening the link from the
// console's fields, and showing a result code, or a call that never reached the terminal, on the
// console. A link error also means the terminal no longer counts as connected, which the dump
// lamp shows.
#pragma once

#include <string>

namespace varnix::exchange {

struct Context;

// Fills the link record from the console and calls the library's Init for `connectionType`
// (0 Ethernet, otherwise serial). The library's run-time errors reach the caller.
void OpenTerminalLink(Context& context, int connectionType);

// Shows a result code's text and, on success, the outcome record in the console's result fields.
void ShowResult(Context& context, int code);

// A rule of this system's own: when the library cannot be loaded (missing, other bitness) or
// lacks the function, the failed call leaves no answer at all, and the boxes would still read as
// the status check left them: approved. Such a command never reached a terminal, so its outcome
// is KO with the library's `reason`, which the dump, the log and the history then record.
void ShowUnreached(Context& context, const std::string& reason);

}  // namespace varnix::exchange
