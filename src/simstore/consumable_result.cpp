#include "consumable_result.h"
#include "field_reads.h"
#include "results.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {
namespace {

class consumable_result final : public com_object<consumable_result, winabi::IStoreConsumableResult, IAgileObject> {
public:
    consumable_result(shared_simulation simulation, const GUID& tracking_id)
        : simulation_(std::move(simulation)), tracking_id_(tracking_id) {}
    ~consumable_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_Status(winabi::StoreConsumableStatus* value) override {
        return read_value(*simulation_, store_field::consumable_status, value,
                          static_cast<winabi::StoreConsumableStatus>(simulation_->settings.consumable));
    }
    HRESULT STDMETHODCALLTYPE get_TrackingId(GUID* value) override {
        simulation_->log.record("get_TrackingId", "result");
        *value = tracking_id_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BalanceRemaining(UINT32* value) override {
        return read_value(*simulation_, store_field::consumable_balance, value, simulation_->settings.balance);
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override {
        return read_value(*simulation_, store_field::consumable_extended_error, value,
                          simulation_->settings.extended_error);
    }

private:
    const shared_simulation simulation_;
    const GUID tracking_id_;
};

} // namespace

HRESULT create_consumable_result(const shared_simulation& simulation, const GUID& tracking_id,
                                 winabi::IStoreConsumableResult** result) {
    *result = new (std::nothrow) consumable_result(simulation, tracking_id);
    return *result ? S_OK : E_OUTOFMEMORY;
}

} // namespace simstore
