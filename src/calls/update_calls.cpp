#include "update_calls.h"

#include "../platform/platform_failure.h"

namespace {

// A package or its identity the Store hands out as null is no answer to read.
template <class T>
T* present(const com_ptr<T>& object) {
    if (!object) check_hresult(E_POINTER);
    return object.get();
}

package_update_record read_app_update(winabi::IStorePackageUpdate* update) {
    package_update_record record;
    com_ptr<winabi::IPackage> package;
    check_hresult(update->get_Package(package.put()));
    com_ptr<winabi::IPackageId> id;
    check_hresult(present(package)->get_Id(id.put()));
    check_hresult(present(id)->get_FamilyName(record.family_name.put()));
    winabi::PackageVersion version{};
    check_hresult(id->get_Version(&version));
    record.version = {version.Major, version.Minor, version.Build, version.Revision};
    boolean mandatory = 0;
    check_hresult(update->get_Mandatory(&mandatory));
    record.mandatory = mandatory != 0;
    return record;
}

} // namespace

com_ptr<winabi::IPackageUpdatesOperation> request_app_updates(winabi::IStoreContext* context) {
    com_ptr<winabi::IPackageUpdatesOperation> operation;
    check_hresult(context->GetAppAndOptionalStorePackageUpdatesAsync(operation.put()));
    return operation;
}

std::vector<package_update_record> read_app_updates(winabi::IPackageUpdates* updates) {
    UINT32 size = 0;
    check_hresult(updates->get_Size(&size));
    std::vector<package_update_record> records;
    records.reserve(size);
    for (UINT32 index = 0; index < size; ++index) {
        com_ptr<winabi::IStorePackageUpdate> update;
        check_hresult(updates->GetAt(index, update.put()));
        if (update) records.push_back(read_app_update(update.get()));
    }
    return records;
}

std::optional<bool> can_silently_download(winabi::IStoreContext* context) {
    com_ptr<winabi::IStoreContext3> context3;
    const HRESULT asked = query(context, winabi::IStoreContext3::iid, context3);
    if (asked == E_NOINTERFACE) return std::nullopt;
    check_hresult(asked);
    boolean can = 0;
    check_hresult(context3->get_CanSilentlyDownloadStorePackageUpdates(&can));
    return can != 0;
}

UINT32 update_count(winabi::IPackageUpdates* updates) {
    UINT32 size = 0;
    check_hresult(updates->get_Size(&size));
    return size;
}

com_ptr<winabi::IIterable<winabi::IStorePackageUpdate*>> updates_as_iterable(winabi::IPackageUpdates* updates) {
    com_ptr<winabi::IIterable<winabi::IStorePackageUpdate*>> iterable;
    check_hresult(query(updates, winabi::IIterable<winabi::IStorePackageUpdate*>::iid, iterable));
    return iterable;
}

com_ptr<winabi::IPackageUpdateOperation> request_update(winabi::IStoreContext* context,
                                                       winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                                                       bool download_only) {
    com_ptr<winabi::IPackageUpdateOperation> operation;
    check_hresult(download_only ? context->RequestDownloadStorePackageUpdatesAsync(updates, operation.put())
                                : context->RequestDownloadAndInstallStorePackageUpdatesAsync(updates, operation.put()));
    return operation;
}

com_ptr<winabi::IPackageUpdateOperation> request_silent_update(winabi::IStoreContext* context,
                                                              winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                                                              bool download_only) {
    com_ptr<winabi::IStoreContext3> context3;
    check_hresult(query(context, winabi::IStoreContext3::iid, context3));
    com_ptr<winabi::IPackageUpdateOperation> operation;
    check_hresult(download_only
                      ? context3->TrySilentDownloadStorePackageUpdatesAsync(updates, operation.put())
                      : context3->TrySilentDownloadAndInstallStorePackageUpdatesAsync(updates, operation.put()));
    return operation;
}

result_line read_update_result(winabi::IStorePackageUpdateResult* result) {
    winabi::StorePackageUpdateState overall{};
    check_hresult(result->get_OverallState(&overall));
    com_ptr<winabi::IVectorView<winabi::StorePackageUpdateStatus>> statuses;
    check_hresult(result->get_StorePackageUpdateStatuses(statuses.put()));
    std::vector<package_state_record> packages;
    UINT32 size = 0;
    if (statuses) check_hresult(statuses->get_Size(&size));
    packages.reserve(size);
    for (UINT32 index = 0; index < size; ++index) {
        winabi::StorePackageUpdateStatus status{};
        check_hresult(statuses->GetAt(index, &status));
        // The caller owns the string of a structure it is handed.
        package_state_record package;
        *package.family_name.put() = status.PackageFamilyName;
        package.state = static_cast<std::int32_t>(status.PackageUpdateState);
        packages.push_back(std::move(package));
    }
    return update_result_line(static_cast<std::int32_t>(overall), packages);
}
