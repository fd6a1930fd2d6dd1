// The names of the query results' fields: the scenario's "fail" key names a
// field as Object.Field, the trace names the call and the interface it came through.
#pragma once

#include "scenario.h"

#include <string_view>

namespace simstore {

struct field_names {
    store_field field;
    std::string_view object;    // as the scenario names it: AppLicense, License, ...
    std::string_view getter;    // the ABI method: get_SkuStoreId, ...
    std::string_view via;       // the interface: IStoreAppLicense, ...
    std::string_view traced_as; // the trace's object: appLicense, license, ...
};

inline constexpr field_names store_field_names[] = {
    {store_field::app_sku, "AppLicense", "get_SkuStoreId", "IStoreAppLicense", "appLicense"},
    {store_field::app_active, "AppLicense", "get_IsActive", "IStoreAppLicense", "appLicense"},
    {store_field::app_trial, "AppLicense", "get_IsTrial", "IStoreAppLicense", "appLicense"},
    {store_field::app_expires, "AppLicense", "get_ExpirationDate", "IStoreAppLicense", "appLicense"},
    {store_field::app_add_ons, "AppLicense", "get_AddOnLicenses", "IStoreAppLicense", "appLicense"},
    {store_field::app_trial_left, "AppLicense", "get_TrialTimeRemaining", "IStoreAppLicense", "appLicense"},
    {store_field::app_trial_owned, "AppLicense", "get_IsTrialOwnedByThisUser", "IStoreAppLicense", "appLicense"},
    {store_field::app_trial_id, "AppLicense", "get_TrialUniqueId", "IStoreAppLicense", "appLicense"},
    {store_field::license_sku, "License", "get_SkuStoreId", "IStoreLicense", "license"},
    {store_field::license_active, "License", "get_IsActive", "IStoreLicense", "license"},
    {store_field::license_expires, "License", "get_ExpirationDate", "IStoreLicense", "license"},
    {store_field::license_offer_token, "License", "get_InAppOfferToken", "IStoreLicense", "license"},
    {store_field::result_products, "ProductQueryResult", "get_Products", "IStoreProductQueryResult", "result"},
    {store_field::result_extended_error, "ProductQueryResult", "get_ExtendedError", "IStoreProductQueryResult", "result"},
    {store_field::product_store_id, "Product", "get_StoreId", "IStoreProduct", "product"},
    {store_field::product_title, "Product", "get_Title", "IStoreProduct", "product"},
    {store_field::product_description, "Product", "get_Description", "IStoreProduct", "product"},
    {store_field::product_kind, "Product", "get_ProductKind", "IStoreProduct", "product"},
    {store_field::product_in_collection, "Product", "get_IsInUserCollection", "IStoreProduct", "product"},
    {store_field::product_price, "Product", "get_Price", "IStoreProduct", "product"},
    {store_field::product_offer_token, "Product", "get_InAppOfferToken", "IStoreProduct", "product"},
    {store_field::price_base, "Price", "get_FormattedBasePrice", "IStorePrice", "price"},
    {store_field::price_formatted, "Price", "get_FormattedPrice", "IStorePrice", "price"},
    {store_field::price_on_sale, "Price", "get_IsOnSale", "IStorePrice", "price"},
    {store_field::price_sale_end, "Price", "get_SaleEndDate", "IStorePrice", "price"},
    {store_field::price_currency, "Price", "get_CurrencyCode", "IStorePrice", "price"},
    {store_field::price_recurrence, "Price", "get_FormattedRecurrencePrice", "IStorePrice", "price"},
    {store_field::consumable_status, "ConsumableResult", "get_Status", "IStoreConsumableResult", "result"},
    {store_field::consumable_balance, "ConsumableResult", "get_BalanceRemaining", "IStoreConsumableResult", "result"},
    {store_field::consumable_extended_error, "ConsumableResult", "get_ExtendedError", "IStoreConsumableResult", "result"},
    {store_field::update_package, "StorePackageUpdate", "get_Package", "IStorePackageUpdate", "packageUpdate"},
    {store_field::update_mandatory, "StorePackageUpdate", "get_Mandatory", "IStorePackageUpdate", "packageUpdate"},
    {store_field::package_id, "Package", "get_Id", "IPackage", "package"},
    {store_field::package_family_name, "PackageId", "get_FamilyName", "IPackageId", "packageId"},
    {store_field::package_version, "PackageId", "get_Version", "IPackageId", "packageId"},
    {store_field::context_can_silently_download, "IStoreContext3", "get_CanSilentlyDownloadStorePackageUpdates",
     "IStoreContext3", "context"},
    {store_field::update_result_overall_state, "StorePackageUpdateResult", "get_OverallState",
     "IStorePackageUpdateResult", "result"},
    {store_field::update_result_statuses, "StorePackageUpdateResult", "get_StorePackageUpdateStatuses",
     "IStorePackageUpdateResult", "result"},
    {store_field::product_skus, "Product", "get_Skus", "IStoreProduct", "product"},
    {store_field::sku_store_id, "Sku", "get_StoreId", "IStoreSku", "sku"},
    {store_field::sku_title, "Sku", "get_Title", "IStoreSku", "sku"},
    {store_field::sku_description, "Sku", "get_Description", "IStoreSku", "sku"},
    {store_field::sku_trial, "Sku", "get_IsTrial", "IStoreSku", "sku"},
    {store_field::sku_price, "Sku", "get_Price", "IStoreSku", "sku"},
    {store_field::sku_in_collection, "Sku", "get_IsInUserCollection", "IStoreSku", "sku"},
    {store_field::sku_collection_data, "Sku", "get_CollectionData", "IStoreSku", "sku"},
    {store_field::sku_subscription, "Sku", "get_IsSubscription", "IStoreSku", "sku"},
    {store_field::sku_subscription_info, "Sku", "get_SubscriptionInfo", "IStoreSku", "sku"},
    {store_field::subscription_billing_period, "SubscriptionInfo", "get_BillingPeriod", "IStoreSubscriptionInfo",
     "subscriptionInfo"},
    {store_field::subscription_billing_unit, "SubscriptionInfo", "get_BillingPeriodUnit", "IStoreSubscriptionInfo",
     "subscriptionInfo"},
    {store_field::subscription_has_trial, "SubscriptionInfo", "get_HasTrialPeriod", "IStoreSubscriptionInfo",
     "subscriptionInfo"},
    {store_field::subscription_trial_period, "SubscriptionInfo", "get_TrialPeriod", "IStoreSubscriptionInfo",
     "subscriptionInfo"},
    {store_field::subscription_trial_unit, "SubscriptionInfo", "get_TrialPeriodUnit", "IStoreSubscriptionInfo",
     "subscriptionInfo"},
    {store_field::collection_trial, "CollectionData", "get_IsTrial", "IStoreCollectionData", "collectionData"},
    {store_field::collection_acquired, "CollectionData", "get_AcquiredDate", "IStoreCollectionData", "collectionData"},
    {store_field::collection_start, "CollectionData", "get_StartDate", "IStoreCollectionData", "collectionData"},
    {store_field::collection_end, "CollectionData", "get_EndDate", "IStoreCollectionData", "collectionData"},
    {store_field::collection_trial_left, "CollectionData", "get_TrialTimeRemaining", "IStoreCollectionData",
     "collectionData"},
    {store_field::product_result_product, "ProductResult", "get_Product", "IStoreProductResult", "result"},
    {store_field::product_result_extended_error, "ProductResult", "get_ExtendedError", "IStoreProductResult", "result"},
};
// Each row stands at its field's place: names_of reads the table by index.
static_assert([] {
    for (std::size_t i = 0; i < std::size(store_field_names); ++i)
        if (static_cast<std::size_t>(store_field_names[i].field) != i) return false;
    return true;
}());
static_assert(std::size(store_field_names) == static_cast<std::size_t>(store_field::count));

constexpr const field_names& names_of(store_field field) { return store_field_names[static_cast<std::size_t>(field)]; }

} // namespace simstore
