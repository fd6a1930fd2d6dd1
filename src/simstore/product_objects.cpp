#include "product_objects.h"
#include "catalogue.h"
#include "field_reads.h"
#include "map_view.h"
#include "price_object.h"
#include "results.h"
#include "sku_objects.h"
#include "../platform/com_object.h"

#include <algorithm>
#include <new>

namespace simstore {
namespace {

class store_product final : public com_object<store_product, winabi::IStoreProduct, IAgileObject> {
public:
    store_product(shared_simulation simulation, catalogue_product product)
        : simulation_(std::move(simulation)), product_(product) {}

    HRESULT STDMETHODCALLTYPE get_StoreId(HSTRING* value) override {
        return read_field(*simulation_, store_field::product_store_id, value,
                          [&] { return copy_string(product_.store_id().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) override {
        return read_field(*simulation_, store_field::product_title, value,
                          [&] { return copy_string(product_.title().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_Description(HSTRING* value) override {
        return read_field(*simulation_, store_field::product_description, value, [&] {
            const wide_string* description = product_.description();
            return description ? copy_string(*description, value) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_ProductKind(HSTRING* value) override {
        return read_field(*simulation_, store_field::product_kind, value,
                          [&] { return copy_string(product_.kind().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_IsInUserCollection(boolean* value) override {
        return read_value(*simulation_, store_field::product_in_collection, value, product_.in_collection());
    }
    HRESULT STDMETHODCALLTYPE get_Price(winabi::IStorePrice** value) override {
        return read_field(*simulation_, store_field::product_price, value, [&]() -> HRESULT {
            const auto price = product_.price();
            return price ? create_price(simulation_, *price, value) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_InAppOfferToken(HSTRING* value) override {
        return read_field(*simulation_, store_field::product_offer_token, value,
                          [&] { return copy_string(product_.offer_token().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_Skus(winabi::IVectorView<winabi::IStoreSku*>** value) override {
        return read_field(*simulation_, store_field::product_skus, value, [&]() -> HRESULT {
            try {
                const auto skus = product_.skus();
                return skus ? create_sku_view(simulation_, *skus, value) : S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }

    // Nothing else of a product is simulated.
    HRESULT STDMETHODCALLTYPE get_Language(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_HasDigitalDownload(boolean* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Keywords(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Images(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Videos(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_LinkUri(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE GetIsAnySkuInstalledAsync(IInspectable** operation) override {
        return not_simulated(operation);
    }
    HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(winabi::IPurchaseOperation** operation) override {
        return not_simulated(operation);
    }
    HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(IInspectable*,
                                                                         winabi::IPurchaseOperation** operation) override {
        return not_simulated(operation);
    }

private:
    const shared_simulation simulation_;
    const catalogue_product product_;
};

class product_query_result final
    : public com_object<product_query_result, winabi::IStoreProductQueryResult, IAgileObject> {
public:
    product_query_result(shared_simulation simulation, product_query query)
        : simulation_(std::move(simulation)), query_(std::move(query)) {}
    ~product_query_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_Products(winabi::IMapView<winabi::IStoreProduct>** value) override {
        return read_field(*simulation_, store_field::result_products, value, [&]() -> HRESULT {
            if (simulation_->settings.product_map_null) return S_OK;
            try {
                *value = new map_view<winabi::IStoreProduct>(matching_products());
                return S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override {
        return read_value(*simulation_, store_field::result_extended_error, value,
                          simulation_->settings.extended_error);
    }

private:
    // Keyed by Store ID, in the catalogue's order.
    map_entries<winabi::IStoreProduct> matching_products() const {
        map_entries<winabi::IStoreProduct> entries;
        const std::size_t count = product_count(simulation_->settings);
        for (std::size_t i = 0; i < count; ++i) {
            const catalogue_product product(simulation_->settings, i);
            if (std::find(query_.kinds.begin(), query_.kinds.end(), product.kind().view()) == query_.kinds.end()) continue;
            if (query_.collection && !product.in_collection()) continue;
            entries.emplace_back(product.store_id().view(), com_ptr<winabi::IStoreProduct>::attach(
                                                         new store_product(simulation_, product)));
        }
        return entries;
    }

    const shared_simulation simulation_;
    const product_query query_;
};

// The app's own product, if the Store lists one.
class product_result final : public com_object<product_result, winabi::IStoreProductResult, IAgileObject> {
public:
    explicit product_result(shared_simulation simulation) : simulation_(std::move(simulation)) {}
    ~product_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_Product(winabi::IStoreProduct** value) override {
        return read_field(*simulation_, store_field::product_result_product, value, [&]() -> HRESULT {
            const scenario& settings = simulation_->settings;
            if (!settings.app_product) return S_OK;
            *value = new (std::nothrow) store_product(simulation_, catalogue_product(settings, *settings.app_product));
            return *value ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override {
        return read_value(*simulation_, store_field::product_result_extended_error, value,
                          simulation_->settings.app_extended_error);
    }

private:
    const shared_simulation simulation_;
};

} // namespace

HRESULT create_app_product_result(const shared_simulation& simulation, winabi::IStoreProductResult** result) {
    *result = new (std::nothrow) product_result(simulation);
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT create_product_query_result(const shared_simulation& simulation, const product_query& query,
                                    winabi::IStoreProductQueryResult** result) {
    *result = nullptr;
    try {
        *result = new product_query_result(simulation, query);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace simstore
