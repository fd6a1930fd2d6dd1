// What the simulated Store does in one run, as the scenario text (the
// environment variable STORE_BRIDGE_SIM) asks for it. Every field's default is
// the plain run: both requests succeed after 100 ms.
#pragma once

#include "../platform/win.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace simstore {

using std::chrono::milliseconds;

enum class completion { after_delay, at_creation, never };

enum class crash_kind { none, worker, main, language_exception, release, twice, abort };

// The error information that accompanies every injected failure.
struct error_settings {
    std::optional<wide_string> description;
    std::optional<wide_string> restricted;
    std::optional<HRESULT> reported; // none: the failure's own code
    HRESULT details = S_OK;          // what GetErrorDetails returns
};

struct posted_message {
    bool quit; // WM_QUIT, otherwise an unrelated WM_USER
    milliseconds after_request;
};

// A window of another process, for the portable platform only.
struct declared_window {
    HWND handle;
    std::optional<RECT> rect; // none: GetWindowRect fails
    std::optional<milliseconds> closes_after_start;
};

// HRESULT fields hold S_OK for "no fault": an injected failure is always negative.
struct scenario {
    HRESULT context = S_OK;
    bool bind_missing = false;
    HRESULT request = S_OK;
    bool request_gives_none = false;
    completion completes = completion::after_delay;
    milliseconds after{100};
    INT32 async_status = 0;
    HRESULT results = S_OK;
    bool results_null = false;
    INT32 purchase = 0;
    INT32 review = 0;
    bool updated = false;
    HRESULT updated_failure = S_OK;
    HRESULT status = S_OK;
    error_settings error;
    std::vector<posted_message> posts;
    crash_kind crash = crash_kind::none;

    // Read by the portable platform; the Windows DLL ignores them.
    HRESULT apartment = S_OK;
    HRESULT guid = S_OK;
    bool anchor_fails = false;
    bool event_fails = false;
    std::vector<declared_window> windows;
};

// Why a scenario text was refused; the message names the offending item.
struct scenario_error {
    std::string message;
};

using parsed_scenario = std::variant<scenario, scenario_error>;

// Items "key=value" separated by ';'. A pure function of the text, UTF-8.
parsed_scenario parse_scenario(std::string_view text);

} // namespace simstore
