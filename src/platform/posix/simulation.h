// What the simulated Store's scenario asks of the portable platform: faults in
// the platform's own calls, and the windows of other processes that exist on
// this target only because a scenario declares them. The simulated Store
// provides it; the platform only reads it.
#pragma once

#include "../win.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct simulated_window {
    HWND handle;
    std::optional<RECT> rect;                        // none: GetWindowRect fails
    std::optional<std::chrono::milliseconds> closes; // destroyed this long after the process started
    std::optional<std::chrono::milliseconds> exits;  // its process ends (and the window with it) this long after
};

struct simulated_platform {
    HRESULT apartment = S_OK;  // what CoInitializeEx fails with, S_OK for no fault
    HRESULT guid = S_OK;       // what CoCreateGuid fails with, S_OK for no fault
    bool anchor_fails = false; // CreateWindowExW gives no window
    bool event_fails = false;  // CreateEventW gives no event
    bool wait_fails = false;   // MsgWaitForMultipleObjects fails
    std::vector<simulated_window> windows;
    std::optional<std::basic_string<WCHAR>> package; // the package full name; none: no package identity
};

// Read once from the scenario; a scenario that does not parse asks for nothing here.
const simulated_platform& platform_scenario();

// When the process started, the zero of every "after so many milliseconds".
std::chrono::steady_clock::time_point process_start();

// The simulated Store's activation entry, as the Windows build exports it from its DLL.
extern "C" HRESULT DllGetActivationFactory(HSTRING class_id, IActivationFactory** factory);
