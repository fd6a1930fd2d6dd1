// The Store's consumable result at the ABI, and the operation that delivers it:
// what ReportConsumableFulfillmentAsync and GetConsumableBalanceRemainingAsync
// (IStoreContext slots 18 and 19) hand back.
#pragma once

#include "store_abi.h"

namespace winabi {

// The platform's metadata spells the second one "InsufficentQuantity".
enum class StoreConsumableStatus : INT32 { Succeeded = 0, InsufficientQuantity = 1, NetworkError = 2, ServerError = 3 };

struct IStoreConsumableResult : IInspectable {
    static constexpr IID iid = {0xEA5DAB72, 0x6A00, 0x4052, {0xBE, 0x5B, 0xBF, 0xDA, 0xB4, 0x43, 0x33, 0x52}};
    virtual HRESULT STDMETHODCALLTYPE get_Status(StoreConsumableStatus* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrackingId(GUID* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BalanceRemaining(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) = 0;
};

template <>
struct async_iids<IStoreConsumableResult> {
    static constexpr IID operation = {0x873C497B, 0xC3F7, 0x5657, {0xB9, 0x21, 0x3E, 0x58, 0xCE, 0x48, 0xEE, 0x50}};
    static constexpr IID handler = {0x3F2BB178, 0x3C4E, 0x56ED, {0x86, 0xA5, 0xAD, 0x13, 0x79, 0x7C, 0xFB, 0xFD}};
};

using IConsumableOperation = IAsyncOperation<IStoreConsumableResult>;

} // namespace winabi
