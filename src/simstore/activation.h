// Activation of the simulated Store: the body of DllGetActivationFactory, which
// each target's entry calls with the scenario and trace file of its environment.
#pragma once

#include "scenario.h"

#include <filesystem>

namespace simstore {

// The factory of "Windows.Services.Store.StoreContext" playing `configured`; a
// scenario that did not parse fails with E_INVALIDARG and error information
// that names the bad item. The calling thread is the trace's main thread.
HRESULT activate_store_context(HSTRING class_id, const parsed_scenario& configured,
                               const std::filesystem::path& trace_file, IActivationFactory** factory);

} // namespace simstore
