// What leaves the windowed module (libvarnixpos-qt.so, varnixpos-qt.dll): varnixpos loads it only
// when it has a window or a message box to show, so its run-once mode starts without Qt. Plain C
// types only; texts are ANSI bytes, as everywhere in the core.
#pragma once

#ifdef _WIN32
#define VARNIX_QT_EXPORT __declspec(dllexport)
#else
#define VARNIX_QT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Runs the whole windowed application for this command-line text; returns the exit code.
using VarnixQtRun = int (*)(int argc, char** argv, const char* commandLine);
// Shows one message box (with no window of its own behind it); returns 1 for OK, 0 for Cancel.
using VarnixQtMessageBox = int (*)(const char* text, const char* title, int okCancel, int critical);
// 1 when the display Qt would use can be opened; Qt itself aborts the process on one that cannot.
using VarnixQtDisplayOpens = int (*)();
}

namespace varnix::qt {

#ifdef _WIN32
inline constexpr const char* kModuleFile = "varnixpos-qt.dll";
#else
inline constexpr const char* kModuleFile = "libvarnixpos-qt.so";
#endif
inline constexpr const char* kRunFunction = "varnix_qt_run";
inline constexpr const char* kMessageBoxFunction = "varnix_qt_message_box";
inline constexpr const char* kDisplayOpensFunction = "varnix_qt_display_opens";

}  // namespace varnix::qt
