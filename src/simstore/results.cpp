#include "results.h"
#include "error_information.h"
#include "faults.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {

void result_released(simulation& simulation) {
    simulation.log.record("Release", "result");
    if (simulation.settings.crash == crash_kind::release) write_through_bad_pointer();
}

namespace {

class purchase_result final : public com_object<purchase_result, winabi::IStorePurchaseResult, IAgileObject> {
public:
    explicit purchase_result(shared_simulation simulation) : simulation_(std::move(simulation)) {}
    ~purchase_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_Status(winabi::StorePurchaseStatus* value) override {
        simulation_->log.record("get_Status", "result");
        const scenario& settings = simulation_->settings;
        if (settings.status < 0) return injected_failure(settings.status, settings.error);
        *value = static_cast<winabi::StorePurchaseStatus>(settings.purchase);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override {
        *value = S_OK;
        return S_OK;
    }

private:
    const shared_simulation simulation_;
};

class review_result final : public com_object<review_result, winabi::IStoreRateAndReviewResult, IAgileObject> {
public:
    explicit review_result(shared_simulation simulation) : simulation_(std::move(simulation)) {}
    ~review_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override {
        *value = S_OK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedJsonData(HSTRING* value) override {
        *value = nullptr; // the empty string
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WasUpdated(boolean* value) override {
        simulation_->log.record("get_WasUpdated", "result");
        const scenario& settings = simulation_->settings;
        if (settings.updated_failure < 0) return injected_failure(settings.updated_failure, settings.error);
        *value = settings.updated;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Status(winabi::StoreRateAndReviewStatus* value) override {
        simulation_->log.record("get_Status", "result");
        const scenario& settings = simulation_->settings;
        if (settings.status < 0) return injected_failure(settings.status, settings.error);
        *value = static_cast<winabi::StoreRateAndReviewStatus>(settings.review);
        return S_OK;
    }

private:
    const shared_simulation simulation_;
};

template <class Object, class Interface>
HRESULT create(const shared_simulation& simulation, Interface** result) {
    *result = new (std::nothrow) Object(simulation);
    return *result ? S_OK : E_OUTOFMEMORY;
}

} // namespace

HRESULT create_result(const shared_simulation& simulation, winabi::IStorePurchaseResult** result) {
    return create<purchase_result>(simulation, result);
}

HRESULT create_result(const shared_simulation& simulation, winabi::IStoreRateAndReviewResult** result) {
    return create<review_result>(simulation, result);
}

} // namespace simstore
