#include "sku_objects.h"
#include "field_reads.h"
#include "price_object.h"
#include "vector_view.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {
namespace {

class subscription_info final
    : public com_object<subscription_info, winabi::IStoreSubscriptionInfo, IAgileObject> {
public:
    subscription_info(shared_simulation simulation, subscription_settings settings)
        : simulation_(std::move(simulation)), settings_(settings) {}

    HRESULT STDMETHODCALLTYPE get_BillingPeriod(UINT32* value) override {
        return read_value(*simulation_, store_field::subscription_billing_period, value, settings_.billing.period);
    }
    HRESULT STDMETHODCALLTYPE get_BillingPeriodUnit(winabi::StoreDurationUnit* value) override {
        return read_value(*simulation_, store_field::subscription_billing_unit, value, unit_of(settings_.billing));
    }
    HRESULT STDMETHODCALLTYPE get_HasTrialPeriod(boolean* value) override {
        return read_value(*simulation_, store_field::subscription_has_trial, value, settings_.trial.has_value());
    }
    // Without a trial: 0 minutes.
    HRESULT STDMETHODCALLTYPE get_TrialPeriod(UINT32* value) override {
        return read_value(*simulation_, store_field::subscription_trial_period, value, trial().period);
    }
    HRESULT STDMETHODCALLTYPE get_TrialPeriodUnit(winabi::StoreDurationUnit* value) override {
        return read_value(*simulation_, store_field::subscription_trial_unit, value, unit_of(trial()));
    }

private:
    static winabi::StoreDurationUnit unit_of(const store_duration& duration) {
        return static_cast<winabi::StoreDurationUnit>(duration.unit);
    }
    store_duration trial() const { return settings_.trial.value_or(store_duration{}); }

    const shared_simulation simulation_;
    const subscription_settings settings_;
};

class collection_data final : public com_object<collection_data, winabi::IStoreCollectionData, IAgileObject> {
public:
    collection_data(shared_simulation simulation, collection_settings settings)
        : simulation_(std::move(simulation)), settings_(settings) {}

    HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) override {
        return read_value(*simulation_, store_field::collection_trial, value, settings_.trial);
    }
    HRESULT STDMETHODCALLTYPE get_AcquiredDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::collection_acquired, value, winabi::DateTime{settings_.acquired});
    }
    HRESULT STDMETHODCALLTYPE get_StartDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::collection_start, value, winabi::DateTime{settings_.start});
    }
    HRESULT STDMETHODCALLTYPE get_EndDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::collection_end, value, winabi::DateTime{settings_.end});
    }
    HRESULT STDMETHODCALLTYPE get_TrialTimeRemaining(winabi::TimeSpan* value) override {
        return read_value(*simulation_, store_field::collection_trial_left, value,
                          winabi::TimeSpan{settings_.trial_left});
    }
    // Empty strings.
    HRESULT STDMETHODCALLTYPE get_CampaignId(HSTRING* value) override { return empty(value); }
    HRESULT STDMETHODCALLTYPE get_DeveloperOfferId(HSTRING* value) override { return empty(value); }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override { return empty(value); }

private:
    static HRESULT empty(HSTRING* value) {
        *value = nullptr;
        return S_OK;
    }

    const shared_simulation simulation_;
    const collection_settings settings_;
};

class store_sku final : public com_object<store_sku, winabi::IStoreSku, IAgileObject> {
public:
    store_sku(shared_simulation simulation, const catalogue_sku& sku)
        : simulation_(std::move(simulation)), sku_(sku) {}

    HRESULT STDMETHODCALLTYPE get_StoreId(HSTRING* value) override {
        return read_field(*simulation_, store_field::sku_store_id, value,
                          [&] { return copy_string(sku_.store_id().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_Title(HSTRING* value) override {
        return read_field(*simulation_, store_field::sku_title, value, [&] { return copy_string(sku_.title().view(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_Description(HSTRING* value) override {
        return read_field(*simulation_, store_field::sku_description, value,
                          [&] { return copy_string(sku_.description(), value); });
    }
    HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) override {
        return read_value(*simulation_, store_field::sku_trial, value, sku_.trial());
    }
    HRESULT STDMETHODCALLTYPE get_Price(winabi::IStorePrice** value) override {
        return read_field(*simulation_, store_field::sku_price, value, [&]() -> HRESULT {
            const auto price = sku_.price();
            return price ? create_price(simulation_, *price, value) : S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_IsInUserCollection(boolean* value) override {
        return read_value(*simulation_, store_field::sku_in_collection, value, sku_.in_collection());
    }
    HRESULT STDMETHODCALLTYPE get_CollectionData(winabi::IStoreCollectionData** value) override {
        return read_field(*simulation_, store_field::sku_collection_data, value, [&]() -> HRESULT {
            const auto collection = sku_.collection();
            if (!collection) return S_OK;
            *value = new (std::nothrow) collection_data(simulation_, *collection);
            return *value ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE get_IsSubscription(boolean* value) override {
        return read_value(*simulation_, store_field::sku_subscription, value, sku_.subscription());
    }
    HRESULT STDMETHODCALLTYPE get_SubscriptionInfo(winabi::IStoreSubscriptionInfo** value) override {
        return read_field(*simulation_, store_field::sku_subscription_info, value, [&]() -> HRESULT {
            const auto info = sku_.subscription_info();
            if (!info) return S_OK;
            *value = new (std::nothrow) subscription_info(simulation_, *info);
            return *value ? S_OK : E_OUTOFMEMORY;
        });
    }

    // Nothing else of an SKU is simulated.
    HRESULT STDMETHODCALLTYPE get_Language(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_CustomDeveloperData(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Images(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Videos(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Availabilities(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_BundledSkus(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE GetIsInstalledAsync(IInspectable** operation) override { return not_simulated(operation); }
    HRESULT STDMETHODCALLTYPE RequestPurchaseAsync(winabi::IPurchaseOperation** operation) override {
        return not_simulated(operation);
    }
    HRESULT STDMETHODCALLTYPE RequestPurchaseWithPurchasePropertiesAsync(IInspectable*,
                                                                         winabi::IPurchaseOperation** operation) override {
        return not_simulated(operation);
    }

private:
    const shared_simulation simulation_;
    const catalogue_sku sku_;
};

} // namespace

HRESULT create_sku_view(const shared_simulation& simulation, const std::vector<catalogue_sku>& skus,
                        winabi::IVectorView<winabi::IStoreSku*>** view) {
    *view = nullptr;
    try {
        vector_items<winabi::IStoreSku> items;
        items.reserve(skus.size());
        for (const catalogue_sku& sku : skus)
            items.push_back(com_ptr<winabi::IStoreSku>::attach(new store_sku(simulation, sku)));
        *view = new vector_view<winabi::IStoreSku>(std::move(items));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace simstore
