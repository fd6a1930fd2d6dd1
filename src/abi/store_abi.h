// The Store's Windows Runtime interfaces at the ABI, as the bridge calls them and
// the simulated Store implements them. Slots that the bridge never calls keep
// their place with the parameters they have, typed loosely.
#pragma once

#include "../platform/win.h"

#include <type_traits>

namespace winabi {

enum class AsyncStatus : INT32 { Started = 0, Completed = 1, Canceled = 2, Error = 3 };
enum class StorePurchaseStatus : INT32 { Succeeded = 0, AlreadyPurchased = 1, NotPurchased = 2, NetworkError = 3, ServerError = 4 };
enum class StoreRateAndReviewStatus : INT32 { Succeeded = 0, CanceledByUser = 1, NetworkError = 2, Error = 3 };

inline constexpr wide_view store_context_class = WIDE("Windows.Services.Store.StoreContext");

struct IStorePurchaseResult : IInspectable {
    static constexpr IID iid = {0xADD28552, 0xF96A, 0x463D, {0xA7, 0xBB, 0xC2, 0x0B, 0x4F, 0xCA, 0x69, 0x52}};
    virtual HRESULT STDMETHODCALLTYPE get_Status(StorePurchaseStatus* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) = 0;
};

struct IStoreRateAndReviewResult : IInspectable {
    static constexpr IID iid = {0x9D209D56, 0xA6B5, 0x4121, {0x9B, 0x61, 0xEE, 0x6D, 0x0F, 0xBD, 0xBD, 0xBB}};
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WasUpdated(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(StoreRateAndReviewStatus* value) = 0;
};

// Declared with the Store's query interfaces (store_query_abi.h) and the
// consumable result (consumable_abi.h).
struct IStoreAppLicense;
struct IStoreProductQueryResult;
struct IStoreProductResult;
struct IStoreConsumableResult;
template <class T>
struct IIterable;
// Declared with the app-update interfaces (update_abi.h).
template <class T>
struct IVectorView;
struct IStorePackageUpdate;
struct IStorePackageUpdateResult;
struct StorePackageUpdateStatus;
template <class Result, class Progress>
struct IAsyncOperationWithProgress;

// The interface IDs of the instances of the generic async interfaces.
template <class Result>
struct async_iids;
template <>
struct async_iids<IStorePurchaseResult> {
    static constexpr IID operation = {0x33D8CC30, 0x78F5, 0x5F81, {0xAA, 0x2D, 0xA4, 0xFA, 0x2A, 0x3B, 0x1C, 0x68}};
    static constexpr IID handler = {0x1D9F89EE, 0x2FCE, 0x54E6, {0xA0, 0xA9, 0x52, 0xD0, 0x0C, 0x52, 0xCC, 0x3A}};
};
template <>
struct async_iids<IStoreRateAndReviewResult> {
    static constexpr IID operation = {0x844673EC, 0x3402, 0x5A20, {0xBE, 0xCF, 0xE9, 0x2C, 0x3F, 0x96, 0x81, 0xEA}};
    static constexpr IID handler = {0xEE12D599, 0x9DBD, 0x5E46, {0xA4, 0x6F, 0x02, 0x23, 0xB8, 0x49, 0x27, 0x61}};
};

template <>
struct async_iids<IStoreAppLicense> {
    static constexpr IID operation = {0x3866370B, 0xAFC6, 0x5D01, {0x84, 0xC2, 0x45, 0x74, 0x62, 0x8D, 0xE5, 0x39}};
    static constexpr IID handler = {0xCEFF1E09, 0xE506, 0x50AD, {0xA9, 0x08, 0x52, 0x03, 0x8C, 0x25, 0x65, 0x52}};
};
template <>
struct async_iids<IStoreProductQueryResult> {
    static constexpr IID operation = {0x9699E7BB, 0xEA1F, 0x5E03, {0x94, 0x39, 0xC8, 0x0E, 0x69, 0x77, 0xB7, 0x11}};
    static constexpr IID handler = {0x02F4A42C, 0x0458, 0x58D6, {0x92, 0x3C, 0xB4, 0x4B, 0xA8, 0xEF, 0x22, 0x22}};
};

// The customer IDs for the developer's service come as a Windows Runtime string:
// IAsyncOperation<HSTRING>, whose GetResults hands out an HSTRING.
using hstring_abi = std::remove_pointer_t<HSTRING>;
template <>
struct async_iids<hstring_abi> {
    static constexpr IID operation = {0x3E1FE603, 0xF897, 0x5263, {0xB3, 0x28, 0x08, 0x06, 0x42, 0x6B, 0x8A, 0x79}};
    static constexpr IID handler = {0xB79A741F, 0x7FB5, 0x50AE, {0x9E, 0x99, 0x91, 0x12, 0x01, 0xEC, 0x3D, 0x41}};
};

template <class Result>
struct IAsyncOperation;

template <class Result>
struct IAsyncOperationCompletedHandler : IUnknown {
    static constexpr IID iid = async_iids<Result>::handler;
    virtual HRESULT STDMETHODCALLTYPE Invoke(IAsyncOperation<Result>* operation, AsyncStatus status) = 0;
};

template <class Result>
struct IAsyncOperation : IInspectable {
    static constexpr IID iid = async_iids<Result>::operation;
    using result_type = Result;
    using completed_handler = IAsyncOperationCompletedHandler<Result>;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(IAsyncOperationCompletedHandler<Result>* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(IAsyncOperationCompletedHandler<Result>** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(Result** results) = 0;
};

using IPurchaseOperation = IAsyncOperation<IStorePurchaseResult>;
using IReviewOperation = IAsyncOperation<IStoreRateAndReviewResult>;
using ILicenseOperation = IAsyncOperation<IStoreAppLicense>;
using IProductQueryOperation = IAsyncOperation<IStoreProductQueryResult>;
using IStringOperation = IAsyncOperation<hstring_abi>;

struct IAsyncInfo : IInspectable {
    static constexpr IID iid = {0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    virtual HRESULT STDMETHODCALLTYPE get_Id(UINT32* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(AsyncStatus* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* error) = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
};

struct IStoreContext : IInspectable {
    static constexpr IID iid = {0xAC98B6BE, 0xF4FD, 0x4912, {0xBA, 0xBD, 0x50, 0x35, 0xE5, 0xE8, 0xBC, 0xAB}};
    virtual HRESULT STDMETHODCALLTYPE get_User(IInspectable** user) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_OfflineLicensesChanged(IUnknown* handler, INT64* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_OfflineLicensesChanged(INT64 token) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCustomerPurchaseIdAsync(HSTRING ticket, HSTRING user, IStringOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCustomerCollectionsIdAsync(HSTRING ticket, HSTRING user, IStringOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAppLicenseAsync(ILicenseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStoreProductForCurrentAppAsync(IAsyncOperation<IStoreProductResult>** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStoreProductsAsync(IInspectable* kinds, IInspectable* ids, IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAssociatedStoreProductsAsync(IIterable<HSTRING>* kinds, IProductQueryOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAssociatedStoreProductsWithPagingAsync(IInspectable* kinds, UINT32 max, IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserCollectionAsync(IIterable<HSTRING>* kinds, IProductQueryOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserCollectionWithPagingAsync(IInspectable* kinds, UINT32 max, IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReportConsumableFulfillmentAsync(HSTRING id, UINT32 quantity, GUID tracking, IAsyncOperation<IStoreConsumableResult>** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConsumableBalanceRemainingAsync(HSTRING id, IAsyncOperation<IStoreConsumableResult>** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE AcquireStoreLicenseForOptionalPackageAsync(IInspectable* package, IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(HSTRING store_id, IPurchaseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(HSTRING store_id, IInspectable* properties, IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAppAndOptionalStorePackageUpdatesAsync(IAsyncOperation<IVectorView<IStorePackageUpdate*>>** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestDownloadStorePackageUpdatesAsync(IIterable<IStorePackageUpdate*>* updates, IAsyncOperationWithProgress<IStorePackageUpdateResult, StorePackageUpdateStatus>** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestDownloadAndInstallStorePackageUpdatesAsync(IIterable<IStorePackageUpdate*>* updates, IAsyncOperationWithProgress<IStorePackageUpdateResult, StorePackageUpdateStatus>** operation) = 0;
};

struct IStoreContext4 : IInspectable {
    static constexpr IID iid = {0xAF9C6F69, 0xBEA1, 0x4BF4, {0x8E, 0x74, 0xAE, 0x03, 0xE2, 0x06, 0xC6, 0xB0}};
    virtual HRESULT STDMETHODCALLTYPE RequestRateAndReviewAppAsync(IReviewOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetInstallOrderForAssociatedStoreQueueItemsAsync(IInspectable* items, IInspectable** operation) = 0;
};

struct IStoreContextStatics : IInspectable {
    static constexpr IID iid = {0x9C06EE5F, 0x15C0, 0x4E72, {0x93, 0x30, 0xD6, 0x19, 0x1C, 0xEB, 0xD1, 0x9C}};
    virtual HRESULT STDMETHODCALLTYPE GetDefault(IStoreContext** context) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetForUser(IInspectable* user, IStoreContext** context) = 0;
};

// A COM interface (IUnknown, not IInspectable) on objects that show UI.
struct IInitializeWithWindow : IUnknown {
    static constexpr IID iid = {0x3E68D4BD, 0x7135, 0x4D10, {0x80, 0x18, 0x9F, 0xB6, 0xD9, 0xF3, 0x3F, 0xA1}};
    virtual HRESULT STDMETHODCALLTYPE Initialize(HWND window) = 0;
};

} // namespace winabi
