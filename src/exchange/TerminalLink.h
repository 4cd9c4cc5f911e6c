// The two steps every terminal operation shares with the console: opening the link from the
// console's fields, and showing a result code on the console. A link error also means the
// terminal no longer counts as connected, which the dump lamp shows.
#pragma once

namespace varnix::exchange {

struct Context;

// Fills the link record from the console and calls the library's Init for `connectionType`
// (0 Ethernet, otherwise serial). The library's run-time errors reach the caller.
void OpenTerminalLink(Context& context, int connectionType);

// Shows a result code's text and, on success, the outcome record in the console's result fields.
void ShowResult(Context& context, int code);

}  // namespace varnix::exchange
