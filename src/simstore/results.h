// The result objects that GetResults hands out: a fresh one for every call, so
// that the bridge holds the only references and its last Release is the
// object's end.
#pragma once

#include "simulation.h"
#include "../abi/store_abi.h"

namespace simstore {

// The end of a result object: the last reference the bridge held. Traced, and
// where the scenario's "crash=release" faults.
void result_released(simulation& simulation);

HRESULT create_result(const shared_simulation& simulation, winabi::IStorePurchaseResult** result);
HRESULT create_result(const shared_simulation& simulation, winabi::IStoreRateAndReviewResult** result);

} // namespace simstore
