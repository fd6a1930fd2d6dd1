// What the simulated Store's scenario asks of the portable platform: faults in
// the platform's own calls, and the windows of other processes that exist on
// this target only because a scenario declares them. The platform owns this
// interface; the simulated Store fills it in at start.
#pragma once

#include "../win.h"

#include <chrono>
#include <cstdint>
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
    bool elevated = false; // what the process token's TokenElevation says
};

// Whoever serves the portable platform in place of Windows (the simulated Store)
// fills this in once, as the program starts, before the platform's first call.
// Unserved, the platform simulates no window or fault and activates no class.
struct platform_provider {
    // What the scenario asks of the platform; asked once, at the first call that needs it.
    simulated_platform (*settings)();
    // The Store class's activation entry, which Windows would find in the class's DLL.
    HRESULT (*activation_factory)(HSTRING class_id, IActivationFactory** factory);
};
void provide_platform(const platform_provider& provider);

const simulated_platform& platform_scenario();

// The one token OpenProcessToken hands out: the process's, never closed.
inline const HANDLE process_token = reinterpret_cast<HANDLE>(std::uintptr_t{0x13});

// When the process started, the zero of every "after so many milliseconds".
std::chrono::steady_clock::time_point process_start();

// The provider's activation entry; REGDB_E_CLASSNOTREG when none is served.
HRESULT provided_activation_factory(HSTRING class_id, IActivationFactory** factory);
