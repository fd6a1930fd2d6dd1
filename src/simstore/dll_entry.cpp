// The export through which Windows Runtime activation reaches the simulated
// Store: RoGetActivationFactory finds this DLL under the class's registry key
// and calls DllGetActivationFactory with the class name.
#include "activation.h"
#include "scenario_file.h"
#include "../output/error_text.h"

namespace {

// Empty when the variable is unset.
wide_string environment_variable(const WCHAR* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    wide_string value(size, WCHAR{});
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

// Parsed once and never destroyed: a detached worker may still run while the process ends.
const simstore::parsed_scenario& configured_scenario() {
    static const auto& parsed = *new simstore::parsed_scenario(simstore::parse_configured_scenario(
        to_utf8(environment_variable(L"STORE_BRIDGE_SIM_FILE")), to_utf8(environment_variable(L"STORE_BRIDGE_SIM"))));
    return parsed;
}

// Keeps this DLL loaded until the process ends. Activation frees the DLL when it
// fails, yet the error information of that failure lives here, and so may a
// worker thread of an operation whose objects the caller has let go.
HRESULT pin_this_module() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCWSTR>(&pin_this_module), &self))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetActivationFactory(HSTRING class_id,
                                                                        IActivationFactory** factory) {
    if (const HRESULT hr = pin_this_module(); hr < 0) return hr;
    return simstore::activate_store_context(class_id, configured_scenario(),
                                            environment_variable(L"STORE_BRIDGE_SIM_TRACE"), factory);
}
