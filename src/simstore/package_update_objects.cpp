#include "package_update_objects.h"
#include "field_reads.h"
#include "results.h"
#include "vector_view.h"
#include "../platform/com_object.h"

#include <new>

namespace simstore {
namespace {

class package_id final : public com_object<package_id, winabi::IPackageId, IAgileObject> {
public:
    package_id(shared_simulation simulation, package_update_settings settings)
        : simulation_(std::move(simulation)), settings_(std::move(settings)) {}

    HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) override {
        return read_field(*simulation_, store_field::package_family_name, value,
                          [&] { return copy_string(settings_.family_name, value); });
    }
    HRESULT STDMETHODCALLTYPE get_Version(winabi::PackageVersion* value) override {
        const auto& [major, minor, build, revision] = settings_.version;
        return read_value(*simulation_, store_field::package_version, value,
                          winabi::PackageVersion{major, minor, build, revision});
    }
    // A family name is the package's name, '_', and its publisher's ID.
    HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) override {
        const wide_view family = settings_.family_name;
        return copy_string(family.substr(0, family.find(WIDE('_'))), value);
    }

    // Nothing else of a package's identity is simulated.
    HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) override { return not_simulated(value); }

private:
    const shared_simulation simulation_;
    const package_update_settings settings_;
};

class package final : public com_object<package, winabi::IPackage, IAgileObject> {
public:
    package(shared_simulation simulation, package_update_settings settings)
        : simulation_(std::move(simulation)), settings_(std::move(settings)) {}

    HRESULT STDMETHODCALLTYPE get_Id(winabi::IPackageId** value) override {
        return read_field(*simulation_, store_field::package_id, value, [&]() -> HRESULT {
            try {
                *value = new package_id(simulation_, settings_);
                return S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }

    // Nothing else of a package is simulated.
    HRESULT STDMETHODCALLTYPE get_InstalledLocation(IInspectable** value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_IsFramework(boolean* value) override { return not_simulated(value); }
    HRESULT STDMETHODCALLTYPE get_Dependencies(IInspectable** value) override { return not_simulated(value); }

private:
    const shared_simulation simulation_;
    const package_update_settings settings_;
};

class package_update final : public com_object<package_update, winabi::IStorePackageUpdate, IAgileObject> {
public:
    package_update(shared_simulation simulation, package_update_settings settings)
        : simulation_(std::move(simulation)), settings_(std::move(settings)) {}

    HRESULT STDMETHODCALLTYPE get_Package(winabi::IPackage** value) override {
        return read_field(*simulation_, store_field::update_package, value, [&]() -> HRESULT {
            try {
                *value = new package(simulation_, settings_);
                return S_OK;
            } catch (const std::bad_alloc&) {
                return E_OUTOFMEMORY;
            }
        });
    }
    HRESULT STDMETHODCALLTYPE get_Mandatory(boolean* value) override {
        return read_value(*simulation_, store_field::update_mandatory, value, settings_.mandatory);
    }

private:
    const shared_simulation simulation_;
    const package_update_settings settings_;
};

} // namespace

HRESULT create_package_updates(const shared_simulation& simulation, winabi::IPackageUpdates** updates) {
    *updates = nullptr;
    try {
        vector_items<winabi::IStorePackageUpdate> items;
        items.reserve(simulation->settings.package_updates.size());
        for (const package_update_settings& update : simulation->settings.package_updates)
            items.push_back(com_ptr<winabi::IStorePackageUpdate>::attach(new package_update(simulation, update)));
        *updates = new vector_view<winabi::IStorePackageUpdate>(std::move(items),
                                                                [simulation] { result_released(*simulation); });
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace simstore
