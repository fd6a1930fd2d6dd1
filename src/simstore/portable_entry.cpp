// How the simulated Store serves the portable platform: as the program starts
// it fills in the platform's provider with the scenario's own keys and the
// Store class's activation entry, which the platform calls as Windows would
// call the DLL's export. One scenario serves both, from the environment (and
// the scenario file it names).
#include "activation.h"
#include "scenario_file.h"
#include "../platform/posix/simulation.h"

#include <cstdlib>

namespace {

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
    platform.elevated = settings->elevated;
    for (const simstore::declared_window& window : settings->windows)
        platform.windows.push_back(
            {window.handle, window.rect, window.closes_after_start, window.process_exits_after_start});
    return platform;
}

simulated_platform platform_settings() { return platform_of(configured_scenario()); }

HRESULT activation_factory(HSTRING class_id, IActivationFactory** factory) {
    return simstore::activate_store_context(class_id, configured_scenario(),
                                            environment_text("STORE_BRIDGE_SIM_TRACE"), factory);
}

// Served from the program's start: nothing asks the platform before main.
[[maybe_unused]] const bool served = (provide_platform({platform_settings, activation_factory}), true);

} // namespace
