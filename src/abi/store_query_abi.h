// The Store's query interfaces at the ABI: the app's licence, products, their
// prices and SKUs, and the generic collections they come in. As in store_abi.h,
// slots the bridge never calls keep their place, typed loosely.
#pragma once

#include "store_abi.h"

namespace winabi {

// 100-ns ticks since 1601-01-01 00:00:00 UTC.
struct DateTime {
    INT64 UniversalTime;
};
// 100-ns ticks.
struct TimeSpan {
    INT64 Duration;
};

// The interface ID of each instance of a generic collection interface.
template <class Instance>
struct instance_iid;

template <class T>
struct IIterator : IInspectable {
    static constexpr IID iid = instance_iid<IIterator>::value;
    virtual HRESULT STDMETHODCALLTYPE get_Current(T* current) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has_current) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext(boolean* has_current) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, T* items, UINT32* actual) = 0;
};

template <class T>
struct IIterable : IInspectable {
    static constexpr IID iid = instance_iid<IIterable>::value;
    virtual HRESULT STDMETHODCALLTYPE First(IIterator<T>** first) = 0;
};

template <class T>
struct IVectorView : IInspectable {
    static constexpr IID iid = instance_iid<IVectorView>::value;
    virtual HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, T* item) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE IndexOf(T item, UINT32* index, boolean* found) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMany(UINT32 start, UINT32 capacity, T* items, UINT32* actual) = 0;
};

// Keys are HSTRING and values interfaces in every map the Store hands out.
template <class V>
struct IKeyValuePair : IInspectable {
    static constexpr IID iid = instance_iid<IKeyValuePair>::value;
    virtual HRESULT STDMETHODCALLTYPE get_Key(HSTRING* key) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(V** value) = 0;
};

// Iterated through its IIterable<IKeyValuePair<V>*>, which the object also offers.
template <class V>
struct IMapView : IInspectable {
    static constexpr IID iid = instance_iid<IMapView>::value;
    virtual HRESULT STDMETHODCALLTYPE Lookup(HSTRING key, V** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasKey(HSTRING key, boolean* found) = 0;
    virtual HRESULT STDMETHODCALLTYPE Split(IMapView** first, IMapView** second) = 0;
};

struct IStoreLicense : IInspectable {
    static constexpr IID iid = {0x26DC9579, 0x4C4F, 0x4F30, {0xBC, 0x89, 0x64, 0x9F, 0x60, 0xE3, 0x60, 0x55}};
    virtual HRESULT STDMETHODCALLTYPE get_SkuStoreId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsActive(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExpirationDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InAppOfferToken(HSTRING* value) = 0;
};

struct IStoreAppLicense : IInspectable {
    static constexpr IID iid = {0xF389F9DE, 0x73C0, 0x45CE, {0x9B, 0xAB, 0xB2, 0xFE, 0x3E, 0x5E, 0xAF, 0xD3}};
    virtual HRESULT STDMETHODCALLTYPE get_SkuStoreId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsActive(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExpirationDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AddOnLicenses(IMapView<IStoreLicense>** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrialTimeRemaining(TimeSpan* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsTrialOwnedByThisUser(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrialUniqueId(HSTRING* value) = 0;
};

struct IStorePrice : IInspectable {
    static constexpr IID iid = {0x55BA94C4, 0x15F1, 0x407C, {0x8F, 0x06, 0x00, 0x63, 0x80, 0xF4, 0xDF, 0x0B}};
    virtual HRESULT STDMETHODCALLTYPE get_FormattedBasePrice(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FormattedPrice(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsOnSale(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SaleEndDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrencyCode(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FormattedRecurrencePrice(HSTRING* value) = 0;
};

enum class StoreDurationUnit : INT32 { Minute = 0, Hour = 1, Day = 2, Week = 3, Month = 4, Year = 5 };

struct IStoreSubscriptionInfo : IInspectable {
    static constexpr IID iid = {0x4189776A, 0x0559, 0x43AC, {0xA9, 0xC6, 0x3A, 0xB0, 0x01, 0x1F, 0xB8, 0xEB}};
    virtual HRESULT STDMETHODCALLTYPE get_BillingPeriod(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BillingPeriodUnit(StoreDurationUnit* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasTrialPeriod(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrialPeriod(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrialPeriodUnit(StoreDurationUnit* value) = 0;
};

// The variant byte 0x2A is the platform's own.
struct IStoreCollectionData : IInspectable {
    static constexpr IID iid = {0x8AA4C3B3, 0x5BB3, 0x441A, {0x2A, 0xB4, 0x4D, 0xAB, 0x73, 0xD5, 0xCE, 0x67}};
    virtual HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CampaignId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DeveloperOfferId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AcquiredDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StartDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_EndDate(DateTime* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TrialTimeRemaining(TimeSpan* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
};

struct IStoreSku : IInspectable {
    static constexpr IID iid = {0x397E6F55, 0x4440, 0x4F03, {0x86, 0x3C, 0x91, 0xF3, 0xFE, 0xC8, 0x3D, 0x79}};
    virtual HRESULT STDMETHODCALLTYPE get_StoreId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Language(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Description(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CustomDeveloperData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Images(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Videos(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Availabilities(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Price(IStorePrice** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsInUserCollection(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BundledSkus(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CollectionData(IStoreCollectionData** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIsInstalledAsync(IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(IPurchaseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(IInspectable* properties,
                                                                                 IPurchaseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsSubscription(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SubscriptionInfo(IStoreSubscriptionInfo** value) = 0;
};

struct IStoreProduct : IInspectable {
    static constexpr IID iid = {0x320E2C52, 0xD760, 0x450A, {0xA4, 0x2B, 0x67, 0xD1, 0xE9, 0x01, 0xAC, 0x90}};
    virtual HRESULT STDMETHODCALLTYPE get_StoreId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Language(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Description(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProductKind(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasDigitalDownload(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Keywords(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Images(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Videos(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Skus(IVectorView<IStoreSku*>** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsInUserCollection(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Price(IStorePrice** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LinkUri(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIsAnySkuInstalledAsync(IInspectable** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(IPurchaseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(IInspectable* properties,
                                                                                 IPurchaseOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_InAppOfferToken(HSTRING* value) = 0;
};

struct IStoreProductQueryResult : IInspectable {
    static constexpr IID iid = {0xD805E6C5, 0xD456, 0x4FF6, {0x80, 0x49, 0x90, 0x76, 0xD5, 0x16, 0x5F, 0x73}};
    virtual HRESULT STDMETHODCALLTYPE get_Products(IMapView<IStoreProduct>** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) = 0;
};

// The app's own product: GetStoreProductForCurrentAppAsync (IStoreContext slot 12).
struct IStoreProductResult : IInspectable {
    static constexpr IID iid = {0xB7674F73, 0x3C87, 0x4EE1, {0x82, 0x01, 0xF4, 0x28, 0x35, 0x9B, 0xD3, 0xAF}};
    virtual HRESULT STDMETHODCALLTYPE get_Product(IStoreProduct** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) = 0;
};

template <>
struct async_iids<IStoreProductResult> {
    static constexpr IID operation = {0x9E61E86B, 0x6AFB, 0x50AE, {0xAF, 0xC1, 0xC5, 0x9F, 0x54, 0x51, 0x08, 0xDD}};
    static constexpr IID handler = {0xEB93E936, 0xD515, 0x5414, {0x9D, 0x15, 0xF0, 0x50, 0xC0, 0xB8, 0xF5, 0x21}};
};
using IProductOperation = IAsyncOperation<IStoreProductResult>;

template <>
struct instance_iid<IVectorView<IStoreSku*>> {
    static constexpr IID value = {0x407C4593, 0x063D, 0x5C9B, {0xB8, 0xE0, 0x94, 0x9F, 0xE1, 0x38, 0x79, 0x63}};
};
template <>
struct instance_iid<IIterable<IStoreSku*>> {
    static constexpr IID value = {0x522D34EF, 0x4B5A, 0x5B44, {0xA0, 0x46, 0x7A, 0x16, 0x05, 0x1D, 0x01, 0x1E}};
};
template <>
struct instance_iid<IIterator<IStoreSku*>> {
    static constexpr IID value = {0x365CDE92, 0x7FE3, 0x59D5, {0xB8, 0xF8, 0x8F, 0x05, 0xAC, 0xF5, 0x09, 0x47}};
};
template <>
struct instance_iid<IIterable<HSTRING>> {
    static constexpr IID value = {0xE2FCC7C1, 0x3BFC, 0x5A0B, {0xB2, 0xB0, 0x72, 0xE7, 0x69, 0xD1, 0xCB, 0x7E}};
};
template <>
struct instance_iid<IIterator<HSTRING>> {
    static constexpr IID value = {0x8C304EBB, 0x6615, 0x50A4, {0x88, 0x29, 0x87, 0x9E, 0xCD, 0x44, 0x32, 0x36}};
};
template <>
struct instance_iid<IMapView<IStoreLicense>> {
    static constexpr IID value = {0x7D0D74F5, 0x4020, 0x54AA, {0x9F, 0x3D, 0x0F, 0x17, 0x12, 0x7A, 0xCD, 0xDF}};
};
template <>
struct instance_iid<IKeyValuePair<IStoreLicense>> {
    static constexpr IID value = {0x33EEFC64, 0xEF0C, 0x5C8D, {0xB6, 0x20, 0x47, 0x6E, 0xDF, 0x7D, 0xF7, 0x99}};
};
template <>
struct instance_iid<IIterable<IKeyValuePair<IStoreLicense>*>> {
    static constexpr IID value = {0xCA8BA445, 0x6F4D, 0x5DA9, {0x95, 0xEE, 0x42, 0xCF, 0x11, 0x8D, 0xEF, 0x63}};
};
template <>
struct instance_iid<IIterator<IKeyValuePair<IStoreLicense>*>> {
    static constexpr IID value = {0xA1509348, 0x6522, 0x5062, {0xAE, 0x86, 0xCF, 0x59, 0x54, 0x75, 0x92, 0x6D}};
};
template <>
struct instance_iid<IMapView<IStoreProduct>> {
    static constexpr IID value = {0xDBAAC6E5, 0x61A4, 0x5C88, {0xB5, 0xD8, 0x3A, 0x3E, 0x16, 0x1C, 0x3E, 0x4A}};
};
template <>
struct instance_iid<IKeyValuePair<IStoreProduct>> {
    static constexpr IID value = {0x0E89A311, 0x437A, 0x5957, {0x95, 0x93, 0x8E, 0xD6, 0x45, 0x11, 0x54, 0x5B}};
};
template <>
struct instance_iid<IIterable<IKeyValuePair<IStoreProduct>*>> {
    static constexpr IID value = {0x78A33722, 0xABFB, 0x57C0, {0x85, 0x3F, 0x56, 0x16, 0xA3, 0xAB, 0x8D, 0x57}};
};
template <>
struct instance_iid<IIterator<IKeyValuePair<IStoreProduct>*>> {
    static constexpr IID value = {0x0EDB142C, 0x9D04, 0x532B, {0x81, 0xE9, 0x4C, 0x84, 0xAB, 0x09, 0xB3, 0x4B}};
};

} // namespace winabi
