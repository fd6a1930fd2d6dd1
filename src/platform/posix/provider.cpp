// The portable platform's provider: set once as the program starts, read after.
#include "simulation.h"

namespace {

const auto process_started = std::chrono::steady_clock::now();
constinit platform_provider provided{};

} // namespace

void provide_platform(const platform_provider& provider) { provided = provider; }

const simulated_platform& platform_scenario() {
    static const simulated_platform settings = provided.settings ? provided.settings() : simulated_platform{};
    return settings;
}

std::chrono::steady_clock::time_point process_start() { return process_started; }

HRESULT provided_activation_factory(HSTRING class_id, IActivationFactory** factory) {
    if (!provided.activation_factory) return REGDB_E_CLASSNOTREG;
    return provided.activation_factory(class_id, factory);
}
