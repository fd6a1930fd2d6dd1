#include "version_flow.h"

#include "store_bridge_version.h"
#include "../output/result_line.h"
#include "../platform/platform_failure.h"
#include "../platform/unique_any.h"

#include <optional>

namespace {

// Every Store call acts for the caller's package, so this is the first thing to
// look at when the Store refuses to act. None without package identity.
std::optional<wide_string> current_package_full_name() {
    WCHAR name[PACKAGE_FULL_NAME_MAX_LENGTH + 1];
    UINT32 length = PACKAGE_FULL_NAME_MAX_LENGTH + 1;
    const LONG error = GetCurrentPackageFullName(&length, name);
    if (error == APPMODEL_ERROR_NO_PACKAGE) return std::nullopt;
    check_hresult(HRESULT_FROM_WIN32(static_cast<DWORD>(error)));
    // The length counts the terminating null.
    return wide_string(name, length > 0 ? length - 1 : 0);
}

// In-app purchase is not supported in elevated processes, so this is the second
// thing to look at. None when the token cannot be read.
std::optional<bool> process_elevated() {
    unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return std::nullopt;
    return elevation.TokenIsElevated != 0;
}

} // namespace

result_line run_version_flow(std::span<const wide_string>) {
    return version_line(STORE_BRIDGE_VERSION_TEXT, current_package_full_name(), process_elevated());
}
