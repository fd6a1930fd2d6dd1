// The result that both consumable calls give: the scenario's status, balance
// and extended error, and the tracking ID of the report (all zeros for a
// balance query).
#pragma once

#include "simulation.h"
#include "../abi/consumable_abi.h"

namespace simstore {

HRESULT create_consumable_result(const shared_simulation& simulation, const GUID& tracking_id,
                                 winabi::IStoreConsumableResult** result);

} // namespace simstore
