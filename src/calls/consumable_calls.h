// The Store's consumable calls: reporting units of a consumable used, asking
// for its balance, and reading the result both give. Every failing call raises
// its platform failure at once.
#pragma once

#include "../abi/consumable_abi.h"
#include "../platform/com_ptr.h"

// A new random tracking ID: CoCreateGuid makes version-4 GUIDs.
GUID new_tracking_id();

// Null when the Store accepts the request but hands back no operation.
com_ptr<winabi::IConsumableOperation> request_consumable_fulfillment(winabi::IStoreContext* context, wide_view store_id,
                                                                     UINT32 quantity, const GUID& tracking_id);
com_ptr<winabi::IConsumableOperation> request_consumable_balance(winabi::IStoreContext* context, wide_view store_id);

struct consumable_answer {
    winabi::StoreConsumableStatus status;
    UINT32 balance;
    HRESULT extended_error;
};

// Status, BalanceRemaining and ExtendedError. The tracking ID is not read: the
// line reports the one the bridge sent.
consumable_answer read_consumable_result(winabi::IStoreConsumableResult* result);
