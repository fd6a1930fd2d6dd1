#include "updates_reader.h"
#include "../platform/com_ptr.h"
#include "../platform/hstring.h"

namespace simstore {
namespace {

HRESULT read_family(winabi::IStorePackageUpdate* update, wide_string& family) {
    com_ptr<winabi::IPackage> package;
    if (const HRESULT hr = update->get_Package(package.put()); hr < 0) return hr;
    if (!package) return E_INVALIDARG;
    com_ptr<winabi::IPackageId> id;
    if (const HRESULT hr = package->get_Id(id.put()); hr < 0) return hr;
    if (!id) return E_INVALIDARG;
    unique_hstring name;
    if (const HRESULT hr = id->get_FamilyName(name.put()); hr < 0) return hr;
    family = view_of(name);
    return S_OK;
}

} // namespace

HRESULT read_update_families(winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                             std::vector<wide_string>& families) {
    if (!updates) return E_INVALIDARG;
    com_ptr<winabi::IIterator<winabi::IStorePackageUpdate*>> at;
    if (const HRESULT hr = updates->First(at.put()); hr < 0) return hr;
    if (!at) return E_POINTER;
    boolean has_current = 0;
    if (const HRESULT hr = at->get_HasCurrent(&has_current); hr < 0) return hr;
    while (has_current) {
        com_ptr<winabi::IStorePackageUpdate> update;
        if (const HRESULT hr = at->get_Current(update.put()); hr < 0) return hr;
        if (!update) return E_INVALIDARG;
        wide_string family;
        if (const HRESULT hr = read_family(update.get(), family); hr < 0) return hr;
        families.push_back(std::move(family));
        if (const HRESULT hr = at->MoveNext(&has_current); hr < 0) return hr;
    }
    return S_OK;
}

} // namespace simstore
