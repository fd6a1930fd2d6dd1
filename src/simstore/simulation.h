// What the simulated objects of one activation share: the scenario and the
// trace. Every object holds it, so that a detached worker thread that outlives
// the bridge's references never reaches anything that process exit destroys.
#pragma once

#include "scenario.h"
#include "trace.h"

#include <filesystem>
#include <memory>

namespace simstore {

struct simulation {
    simulation(scenario settings, std::filesystem::path trace_file)
        : settings(std::move(settings)), log(std::move(trace_file)) {}

    const scenario settings;
    trace log;
};

using shared_simulation = std::shared_ptr<simulation>;

} // namespace simstore
