#include "license_objects.h"
#include "catalogue.h"
#include "field_reads.h"
#include "map_view.h"
#include "results.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {
namespace {

class add_on_license final : public com_object<add_on_license, winabi::IStoreLicense, IAgileObject> {
public:
    add_on_license(shared_simulation simulation, add_on_settings settings)
        : simulation_(std::move(simulation)), settings_(std::move(settings)) {}

    HRESULT STDMETHODCALLTYPE get_SkuStoreId(HSTRING* value) override {
        return read_field(*simulation_, store_field::license_sku, value, [&] { return copy_string(settings_.sku, value); });
    }
    HRESULT STDMETHODCALLTYPE get_IsActive(boolean* value) override {
        return read_value(*simulation_, store_field::license_active, value, settings_.active);
    }
    HRESULT STDMETHODCALLTYPE get_ExpirationDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::license_expires, value, winabi::DateTime{settings_.expires});
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override {
        *value = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_InAppOfferToken(HSTRING* value) override {
        return read_field(*simulation_, store_field::license_offer_token, value,
                          [&] { return copy_string(settings_.offer_token, value); });
    }

private:
    const shared_simulation simulation_;
    const add_on_settings settings_;
};

class app_license final : public com_object<app_license, winabi::IStoreAppLicense, IAgileObject> {
public:
    explicit app_license(shared_simulation simulation) : simulation_(std::move(simulation)) {}
    ~app_license() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_SkuStoreId(HSTRING* value) override {
        return read_field(*simulation_, store_field::app_sku, value, [&] { return copy_string(settings().sku, value); });
    }
    HRESULT STDMETHODCALLTYPE get_IsActive(boolean* value) override {
        return read_value(*simulation_, store_field::app_active, value, settings().active);
    }
    HRESULT STDMETHODCALLTYPE get_IsTrial(boolean* value) override {
        return read_value(*simulation_, store_field::app_trial, value, settings().trial);
    }
    HRESULT STDMETHODCALLTYPE get_ExpirationDate(winabi::DateTime* value) override {
        return read_value(*simulation_, store_field::app_expires, value, winabi::DateTime{settings().expires});
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override {
        *value = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AddOnLicenses(winabi::IMapView<winabi::IStoreLicense>** value) override {
        return read_field(*simulation_, store_field::app_add_ons, value, [&]() -> HRESULT {
            if (simulation_->settings.add_on_map_null) return S_OK;
            try {
                map_entries<winabi::IStoreLicense> entries;
                const std::size_t count = add_on_count(simulation_->settings);
                entries.reserve(count);
                for (std::size_t i = 0; i < count; ++i) {
                    add_on_settings add_on = add_on_at(simulation_->settings, i);
                    wide_string key = add_on.key.value_or(add_on.sku);
                    entries.emplace_back(std::move(key), com_ptr<winabi::IStoreLicense>::attach(
                                                             new add_on_license(simulation_, std::move(add_on))));
                }
                *value = new map_view<winabi::IStoreLicense>(std::move(entries));
                return S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_TrialTimeRemaining(winabi::TimeSpan* value) override {
        return read_value(*simulation_, store_field::app_trial_left, value, winabi::TimeSpan{settings().trial_left});
    }
    HRESULT STDMETHODCALLTYPE get_IsTrialOwnedByThisUser(boolean* value) override {
        return read_value(*simulation_, store_field::app_trial_owned, value, settings().trial_owned);
    }
    HRESULT STDMETHODCALLTYPE get_TrialUniqueId(HSTRING* value) override {
        return read_field(*simulation_, store_field::app_trial_id, value,
                          [&] { return copy_string(settings().trial_id, value); });
    }

private:
    const app_license_settings& settings() const { return simulation_->settings.license; }

    const shared_simulation simulation_;
};

} // namespace

HRESULT create_app_license(const shared_simulation& simulation, winabi::IStoreAppLicense** license) {
    *license = new (std::nothrow) app_license(simulation);
    return *license ? S_OK : E_OUTOFMEMORY;
}

} // namespace simstore
