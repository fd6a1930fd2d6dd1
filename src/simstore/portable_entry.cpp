// How the portable build reaches the simulated Store: the platform's
// Windows Runtime activation calls DllGetActivationFactory as Windows would
// call the DLL's export, and the platform reads the scenario's own keys
// through platform_scenario. One scenario serves both, from the environment
// (and the scenario file it names).
#include "activation.h"
#include "scenario_file.h"
#include "../platform/posix/simulation.h"

#include <cstdlib>

namespace {

const auto process_started = std::chrono::steady_clock::now();

std::string environment_text(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Parsed once and never destroyed: a detached worker may still run while the process ends.
const simstore::parsed_scenario& configured_scenario() {
    static const auto& parsed = *new simstore::parsed_scenario(simstore::parse_configured_scenario(
        environment_text("STORE_BRIDGE_SIM_FILE"), environment_text("STORE_BRIDGE_SIM")));
    return parsed;
}

simulated_platform platform_of(const simstore::parsed_scenario& parsed) {
    simulated_platform platform;
    const auto* settings = std::get_if<simstore::scenario>(&parsed);
    if (!settings) return platform; // a scenario that does not parse asks nothing of the platform
    platform.apartment = settings->apartment;
    platform.guid = settings->guid;
    platform.anchor_fails = settings->anchor_fails;
    platform.event_fails = settings->event_fails;
    platform.wait_fails = settings->wait_fails;
    platform.package = settings->package;
    for (const simstore::declared_window& window : settings->windows)
        platform.windows.push_back(
            {window.handle, window.rect, window.closes_after_start, window.process_exits_after_start});
    return platform;
}

} // namespace

const simulated_platform& platform_scenario() {
    static const auto& platform = *new simulated_platform(platform_of(configured_scenario()));
    return platform;
}

std::chrono::steady_clock::time_point process_start() { return process_started; }

extern "C" HRESULT DllGetActivationFactory(HSTRING class_id, IActivationFactory** factory) {
    return simstore::activate_store_context(class_id, configured_scenario(),
                                            environment_text("STORE_BRIDGE_SIM_TRACE"), factory);
}
