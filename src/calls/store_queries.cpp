#include "store_queries.h"

#include "map_values.h"
#include "store_calls.h"
#include "vector_values.h"
#include "../platform/hstring.h"

namespace {

template <class I>
unique_hstring text_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(HSTRING*)) {
    unique_hstring value;
    check_hresult((object->*get)(value.put()));
    return value;
}

// Any plain field: a number, an enumeration, a DateTime or TimeSpan.
template <class I, class Value>
Value value_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(Value*)) {
    Value value{};
    check_hresult((object->*get)(&value));
    return value;
}

template <class I>
bool flag_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(boolean*)) {
    return value_of(object, get) != 0;
}

template <class I>
std::int64_t date_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(winabi::DateTime*)) {
    return value_of(object, get).UniversalTime;
}

// The SKU is read before the rest, to put the add-ons in order.
add_on_license_record read_add_on_license(winabi::IStoreLicense* license, unique_hstring&& sku) {
    add_on_license_record add_on;
    add_on.sku = std::move(sku);
    add_on.active = flag_of(license, &winabi::IStoreLicense::get_IsActive);
    add_on.expires = date_of(license, &winabi::IStoreLicense::get_ExpirationDate);
    add_on.offer_token = text_of(license, &winabi::IStoreLicense::get_InAppOfferToken);
    return add_on;
}

// The price's fields stay empty without a price; the sale's end is documented
// for items on sale only, so it is read only then.
price_record read_price(winabi::IStorePrice* price) {
    price_record record;
    if (!price) return record;
    record.price = text_of(price, &winabi::IStorePrice::get_FormattedPrice);
    record.base_price = text_of(price, &winabi::IStorePrice::get_FormattedBasePrice);
    record.currency = text_of(price, &winabi::IStorePrice::get_CurrencyCode);
    record.on_sale = flag_of(price, &winabi::IStorePrice::get_IsOnSale);
    if (record.on_sale) record.sale_ends = date_of(price, &winabi::IStorePrice::get_SaleEndDate);
    record.recurrence_price = text_of(price, &winabi::IStorePrice::get_FormattedRecurrencePrice);
    return record;
}

template <class I>
price_record price_of(I* object) {
    com_ptr<winabi::IStorePrice> price;
    check_hresult(object->get_Price(price.put()));
    return read_price(price.get());
}

// The trial's terms are documented for a subscription with a trial only.
std::optional<subscription_record> read_subscription(winabi::IStoreSku* sku) {
    com_ptr<winabi::IStoreSubscriptionInfo> info;
    check_hresult(sku->get_SubscriptionInfo(info.put()));
    if (!info) return std::nullopt;
    using winabi::IStoreSubscriptionInfo;
    subscription_record record;
    record.billing_period = value_of(info.get(), &IStoreSubscriptionInfo::get_BillingPeriod);
    record.billing_unit = static_cast<INT32>(value_of(info.get(), &IStoreSubscriptionInfo::get_BillingPeriodUnit));
    if (flag_of(info.get(), &IStoreSubscriptionInfo::get_HasTrialPeriod)) {
        record.trial_period = value_of(info.get(), &IStoreSubscriptionInfo::get_TrialPeriod);
        record.trial_unit = static_cast<INT32>(value_of(info.get(), &IStoreSubscriptionInfo::get_TrialPeriodUnit));
    }
    return record;
}

// The time left is for trials only, as the licence's is.
std::optional<collection_record> read_collection(winabi::IStoreSku* sku) {
    com_ptr<winabi::IStoreCollectionData> data;
    check_hresult(sku->get_CollectionData(data.put()));
    if (!data) return std::nullopt;
    using winabi::IStoreCollectionData;
    collection_record record;
    record.trial = flag_of(data.get(), &IStoreCollectionData::get_IsTrial);
    record.acquired = date_of(data.get(), &IStoreCollectionData::get_AcquiredDate);
    record.start = date_of(data.get(), &IStoreCollectionData::get_StartDate);
    record.end = date_of(data.get(), &IStoreCollectionData::get_EndDate);
    if (record.trial) record.trial_left = value_of(data.get(), &IStoreCollectionData::get_TrialTimeRemaining).Duration;
    return record;
}

// The Store ID is read before the rest, to put the SKUs in order.
sku_record read_sku(winabi::IStoreSku* source, unique_hstring&& store_id) {
    sku_record sku;
    sku.store_id = std::move(store_id);
    sku.title = text_of(source, &winabi::IStoreSku::get_Title);
    sku.description = text_of(source, &winabi::IStoreSku::get_Description);
    sku.trial = flag_of(source, &winabi::IStoreSku::get_IsTrial);
    sku.subscription = flag_of(source, &winabi::IStoreSku::get_IsSubscription);
    sku.price = price_of(source);
    sku.in_collection = flag_of(source, &winabi::IStoreSku::get_IsInUserCollection);
    sku.subscription_info = read_subscription(source);
    sku.collection = read_collection(source);
    return sku;
}

// The lines list entries in the order of their Store IDs, and write each entry
// as it is read: so every entry's ID is read first, `key` turning the text read
// into the Store ID, and then the entries in that order, each read by `read`
// and handed to the line by `add`.
template <class I, class Key, class Read, class Add>
void read_in_store_id_order(const std::vector<com_ptr<I>>& values, HRESULT (STDMETHODCALLTYPE I::*get_id)(HSTRING*),
                            Key key, Read read, Add add) {
    std::vector<unique_hstring> ids;
    std::vector<wide_view> keys;
    ids.reserve(values.size());
    keys.reserve(values.size());
    for (const auto& value : values) {
        ids.push_back(text_of(value.get(), get_id));
        keys.push_back(key(view_of(ids.back())));
    }
    for (const std::size_t index : store_id_order(keys)) add(read(values[index].get(), std::move(ids[index])));
}

// The Store ID is read before the rest, to put the products in order. Every
// SKU is reported, subscription or not; a null SKU list is none.
product_record read_product(winabi::IStoreProduct* source, unique_hstring&& store_id) {
    product_record product;
    product.store_id = std::move(store_id);
    product.kind = text_of(source, &winabi::IStoreProduct::get_ProductKind);
    product.title = text_of(source, &winabi::IStoreProduct::get_Title);
    product.description = text_of(source, &winabi::IStoreProduct::get_Description);
    product.price = price_of(source);
    product.in_collection = flag_of(source, &winabi::IStoreProduct::get_IsInUserCollection);
    product.offer_token = text_of(source, &winabi::IStoreProduct::get_InAppOfferToken);
    com_ptr<winabi::IVectorView<winabi::IStoreSku*>> skus;
    check_hresult(source->get_Skus(skus.put()));
    const auto values = vector_values(skus.get());
    product.skus.reserve(values.size());
    read_in_store_id_order(values, &winabi::IStoreSku::get_StoreId, [](wide_view id) { return id; }, read_sku,
                           [&](sku_record sku) { product.skus.push_back(std::move(sku)); });
    return product;
}

} // namespace


com_ptr<winabi::ILicenseOperation> request_app_license(winabi::IStoreContext* context) {
    com_ptr<winabi::ILicenseOperation> operation;
    check_hresult(context->GetAppLicenseAsync(operation.put()));
    return operation;
}

com_ptr<winabi::IProductQueryOperation> request_associated_products(winabi::IStoreContext* context,
                                                                    winabi::IIterable<HSTRING>* kinds) {
    com_ptr<winabi::IProductQueryOperation> operation;
    check_hresult(context->GetAssociatedStoreProductsAsync(kinds, operation.put()));
    return operation;
}

com_ptr<winabi::IProductQueryOperation> request_user_collection(winabi::IStoreContext* context,
                                                                winabi::IIterable<HSTRING>* kinds) {
    com_ptr<winabi::IProductQueryOperation> operation;
    check_hresult(context->GetUserCollectionAsync(kinds, operation.put()));
    return operation;
}

result_line read_app_license(winabi::IStoreAppLicense* license) {
    app_license_record record;
    record.active = flag_of(license, &winabi::IStoreAppLicense::get_IsActive);
    record.trial = flag_of(license, &winabi::IStoreAppLicense::get_IsTrial);
    record.trial_owned = flag_of(license, &winabi::IStoreAppLicense::get_IsTrialOwnedByThisUser);
    record.trial_left = value_of(license, &winabi::IStoreAppLicense::get_TrialTimeRemaining).Duration;
    record.expires = date_of(license, &winabi::IStoreAppLicense::get_ExpirationDate);
    record.sku = text_of(license, &winabi::IStoreAppLicense::get_SkuStoreId);
    record.trial_id = text_of(license, &winabi::IStoreAppLicense::get_TrialUniqueId);
    com_ptr<winabi::IMapView<winabi::IStoreLicense>> add_ons;
    check_hresult(license->get_AddOnLicenses(add_ons.put()));
    const auto values = map_values(add_ons.get());
    license_line line(record, values.size());
    read_in_store_id_order(values, &winabi::IStoreLicense::get_SkuStoreId, store_id_of_sku, read_add_on_license,
                           [&](add_on_license_record add_on) { line.add(std::move(add_on)); });
    return line.finish();
}

com_ptr<winabi::IProductOperation> request_app_product(winabi::IStoreContext* context) {
    com_ptr<winabi::IProductOperation> operation;
    check_hresult(context->GetStoreProductForCurrentAppAsync(operation.put()));
    return operation;
}

com_ptr<winabi::IStringOperation> request_customer_purchase_id(winabi::IStoreContext* context,
                                                               const customer_id_request& request) {
    com_ptr<winabi::IStringOperation> operation;
    check_hresult(context->GetCustomerPurchaseIdAsync(make_hstring(request.service_ticket).get(),
                                                      make_hstring(request.publisher_user_id).get(),
                                                      operation.put()));
    return operation;
}

com_ptr<winabi::IStringOperation> request_customer_collections_id(winabi::IStoreContext* context,
                                                                  const customer_id_request& request) {
    com_ptr<winabi::IStringOperation> operation;
    check_hresult(context->GetCustomerCollectionsIdAsync(make_hstring(request.service_ticket).get(),
                                                         make_hstring(request.publisher_user_id).get(),
                                                         operation.put()));
    return operation;
}

result_line read_app_product(winabi::IStoreProductResult* result) {
    HRESULT extended = S_OK;
    check_hresult(result->get_ExtendedError(&extended));
    check_hresult(extended);
    com_ptr<winabi::IStoreProduct> product;
    check_hresult(result->get_Product(product.put()));
    if (!product) return app_product_line(std::nullopt);
    return app_product_line(read_product(product.get(), text_of(product.get(), &winabi::IStoreProduct::get_StoreId)));
}

result_line read_products(winabi::IStoreProductQueryResult* result) {
    HRESULT extended = S_OK;
    check_hresult(result->get_ExtendedError(&extended));
    check_hresult(extended);
    com_ptr<winabi::IMapView<winabi::IStoreProduct>> products;
    check_hresult(result->get_Products(products.put()));
    const auto values = map_values(products.get());
    product_list_line line(values.size());
    read_in_store_id_order(values, &winabi::IStoreProduct::get_StoreId, [](wide_view id) { return id; }, read_product,
                           [&](product_record product) { line.add(std::move(product)); });
    return line.finish();
}
