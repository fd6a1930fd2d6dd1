#include "update_result_objects.h"
#include "field_reads.h"
#include "results.h"
#include "../platform/com_object.h"

#include <algorithm>
#include <new>

namespace simstore {
namespace {

using status_list = std::shared_ptr<const std::vector<package_update_status>>;
using winabi::StorePackageUpdateStatus;

// Copies up to `capacity` statuses from `start` on, each with its own string; the count
// copied. On a failure none is left for the caller.
HRESULT copy_statuses(const std::vector<package_update_status>& statuses, std::size_t start, UINT32 capacity,
                      StorePackageUpdateStatus* out, UINT32* actual) {
    *actual = 0;
    const std::size_t count = start < statuses.size() ? std::min<std::size_t>(capacity, statuses.size() - start) : 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (const HRESULT hr = copy_status(statuses[start + i], &out[i]); hr < 0) {
            while (i > 0) WindowsDeleteString(out[--i].PackageFamilyName);
            return hr;
        }
    }
    *actual = static_cast<UINT32>(count);
    return S_OK;
}

class status_iterator final
    : public com_object<status_iterator, winabi::IIterator<StorePackageUpdateStatus>, IAgileObject> {
public:
    explicit status_iterator(status_list statuses) : statuses_(std::move(statuses)) {}

    HRESULT STDMETHODCALLTYPE get_Current(StorePackageUpdateStatus* current) override {
        *current = {};
        if (next_ >= statuses_->size()) return E_BOUNDS;
        return copy_status((*statuses_)[next_], current);
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has_current) override {
        *has_current = next_ < statuses_->size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* has_current) override {
        if (next_ < statuses_->size()) ++next_;
        return get_HasCurrent(has_current);
    }
    // Takes the statuses from the current one on and moves past them.
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, StorePackageUpdateStatus* items, UINT32* actual) override {
        const HRESULT hr = copy_statuses(*statuses_, next_, capacity, items, actual);
        next_ += *actual;
        return hr;
    }

private:
    const status_list statuses_;
    std::size_t next_ = 0;
};

class status_view final
    : public com_object<status_view, winabi::IVectorView<StorePackageUpdateStatus>,
                        winabi::IIterable<StorePackageUpdateStatus>, IAgileObject> {
public:
    explicit status_view(status_list statuses) : statuses_(std::move(statuses)) {}

    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, StorePackageUpdateStatus* item) override {
        *item = {};
        if (index >= statuses_->size()) return E_BOUNDS;
        return copy_status((*statuses_)[index], item);
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        *size = static_cast<UINT32>(statuses_->size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IndexOf(StorePackageUpdateStatus, UINT32* index, boolean* found) override {
        *index = 0;
        *found = false;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 start, UINT32 capacity, StorePackageUpdateStatus* items,
                                      UINT32* actual) override {
        *actual = 0;
        if (start > statuses_->size()) return E_BOUNDS;
        return copy_statuses(*statuses_, start, capacity, items, actual);
    }
    HRESULT STDMETHODCALLTYPE First(winabi::IIterator<StorePackageUpdateStatus>** first) override {
        *first = new (std::nothrow) status_iterator(statuses_);
        return *first ? S_OK : E_OUTOFMEMORY;
    }

private:
    const status_list statuses_;
};

class update_result final : public com_object<update_result, winabi::IStorePackageUpdateResult, IAgileObject> {
public:
    update_result(shared_simulation simulation, INT32 overall_state, status_list statuses)
        : simulation_(std::move(simulation)), overall_state_(overall_state), statuses_(std::move(statuses)) {}
    ~update_result() { result_released(*simulation_); }

    HRESULT STDMETHODCALLTYPE get_OverallState(winabi::StorePackageUpdateState* value) override {
        return read_value(*simulation_, store_field::update_result_overall_state, value,
                          static_cast<winabi::StorePackageUpdateState>(overall_state_));
    }
    HRESULT STDMETHODCALLTYPE
    get_StorePackageUpdateStatuses(winabi::IVectorView<StorePackageUpdateStatus>** value) override {
        return read_field(*simulation_, store_field::update_result_statuses, value, [&] {
            *value = new (std::nothrow) status_view(statuses_);
            return *value ? S_OK : E_OUTOFMEMORY;
        });
    }

private:
    const shared_simulation simulation_;
    const INT32 overall_state_;
    const status_list statuses_;
};

} // namespace

HRESULT copy_status(const package_update_status& status, StorePackageUpdateStatus* out) {
    *out = {nullptr,
            status.download_size,
            status.bytes_downloaded,
            status.package_progress,
            status.total_progress,
            static_cast<winabi::StorePackageUpdateState>(status.state)};
    return copy_string(status.family_name, &out->PackageFamilyName);
}

HRESULT create_update_result(const shared_simulation& simulation, INT32 overall_state, status_list statuses,
                             winabi::IStorePackageUpdateResult** result) {
    *result = new (std::nothrow) update_result(simulation, overall_state, std::move(statuses));
    return *result ? S_OK : E_OUTOFMEMORY;
}

} // namespace simstore
