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
