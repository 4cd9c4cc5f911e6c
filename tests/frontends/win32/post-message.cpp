// post-message: posts one message to the top-level window with the given title, the way the
// shell delivers a tray icon's callback, so that the Wine tests can click an icon no X server
// shows. Exit code 0 when posted, 1 when no such window, 2 on a usage error.
// Usage: post-message TITLE MESSAGE WPARAM LPARAM   (numbers as in C: 512, 0x200)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: post-message TITLE MESSAGE WPARAM LPARAM\n", stderr);
        return 2;
    }
    HWND window = ::FindWindowA(nullptr, argv[1]);
    if (window == nullptr) {
        std::fprintf(stderr, "post-message: no window \"%s\"\n", argv[1]);
        return 1;
    }
    const auto message = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
    const auto wParam = static_cast<WPARAM>(std::strtoull(argv[3], nullptr, 0));
    const auto lParam = static_cast<LPARAM>(std::strtoll(argv[4], nullptr, 0));
    return ::PostMessageA(window, message, wParam, lParam) != FALSE ? 0 : 1;
}
