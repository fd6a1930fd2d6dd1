// owner-window L T R B: a visible top-level window of another process for the
// owner window cases under Wine. Prints the window's handle in decimal and a
// line break, and keeps the window serviced. The line "exit" on standard input
// ends the process at once, the window still up (the system takes it with the
// process); "destroy" destroys the window and keeps the process until standard
// input ends; any other line, or the end of standard input, destroys the window
// first and then exits.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <iostream>
#include <string>
#include <thread>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fputs("usage: owner-window LEFT TOP RIGHT BOTTOM\n", stderr);
        return 2;
    }
    int edges[4];
    for (int i = 0; i < 4; ++i) edges[i] = static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));
    const auto [left, top, right, bottom] = edges;

    HWND window = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, left, top, right - left,
                                  bottom - top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        std::fprintf(stderr, "owner-window: CreateWindowExW failed, error %lu\n", GetLastError());
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    std::fflush(stdout);

    // Reading blocks, so it has a thread of its own; the message loop stays on
    // the window's thread, which alone may destroy the window.
    const DWORD window_thread = GetCurrentThreadId();
    std::thread reader([window_thread] {
        std::string line;
        std::getline(std::cin, line);
        if (line == "exit") TerminateProcess(GetCurrentProcess(), 0);
        PostThreadMessageW(window_thread, WM_QUIT, 0, 0);
        // "destroy": the window goes, the process stays until standard input ends.
        if (line == "destroy")
            while (std::getline(std::cin, line)) {}
    });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    reader.join();
    return 0;
}
