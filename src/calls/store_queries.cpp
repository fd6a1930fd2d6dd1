#include "store_queries.h"

#include "map_values.h"
#include "../platform/hstring.h"

namespace {

template <class I>
unique_hstring text_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(HSTRING*)) {
    unique_hstring value;
    check_hresult((object->*get)(value.put()));
    return value;
}

template <class I>
bool flag_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(boolean*)) {
    boolean value = 0;
    check_hresult((object->*get)(&value));
    return value != 0;
}

template <class I>
std::int64_t date_of(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(winabi::DateTime*)) {
    winabi::DateTime value{};
    check_hresult((object->*get)(&value));
    return value.UniversalTime;
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
void read_price(winabi::IStorePrice* price, product_record& product) {
    if (!price) return;
    product.price = text_of(price, &winabi::IStorePrice::get_FormattedPrice);
    product.base_price = text_of(price, &winabi::IStorePrice::get_FormattedBasePrice);
    product.currency = text_of(price, &winabi::IStorePrice::get_CurrencyCode);
    product.on_sale = flag_of(price, &winabi::IStorePrice::get_IsOnSale);
    if (product.on_sale) product.sale_ends = date_of(price, &winabi::IStorePrice::get_SaleEndDate);
    product.recurrence_price = text_of(price, &winabi::IStorePrice::get_FormattedRecurrencePrice);
}

// The Store ID is read before the rest, to put the products in order.
product_record read_product(winabi::IStoreProduct* source, unique_hstring&& store_id) {
    product_record product;
    product.store_id = std::move(store_id);
    product.kind = text_of(source, &winabi::IStoreProduct::get_ProductKind);
    product.title = text_of(source, &winabi::IStoreProduct::get_Title);
    product.description = text_of(source, &winabi::IStoreProduct::get_Description);
    com_ptr<winabi::IStorePrice> price;
    check_hresult(source->get_Price(price.put()));
    read_price(price.get(), product);
    product.in_collection = flag_of(source, &winabi::IStoreProduct::get_IsInUserCollection);
    product.offer_token = text_of(source, &winabi::IStoreProduct::get_InAppOfferToken);
    return product;
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
    winabi::TimeSpan left{};
    check_hresult(license->get_TrialTimeRemaining(&left));
    record.trial_left = left.Duration;
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
