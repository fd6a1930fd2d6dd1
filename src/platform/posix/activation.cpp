// Windows Runtime activation: the one class this program activates is served by
// the platform's provider, the simulated Store linked into the portable build.
#include "../win.h"
#include "../com_ptr.h"
#include "simulation.h"

namespace {

bool names_store_context(HSTRING class_id) {
    constexpr wide_view store_context = WIDE("Windows.Services.Store.StoreContext");
    UINT32 length = 0;
    const WCHAR* text = WindowsGetStringRawBuffer(class_id, &length);
    return wide_view(text, length) == store_context;
}

} // namespace

HRESULT RoGetActivationFactory(HSTRING class_id, REFIID iid, void** factory) {
    if (!factory) return E_INVALIDARG;
    *factory = nullptr;
    if (!names_store_context(class_id)) return REGDB_E_CLASSNOTREG;
    com_ptr<IActivationFactory> activation;
    if (const HRESULT hr = provided_activation_factory(class_id, activation.put()); hr < 0) return hr;
    return activation->QueryInterface(iid, factory);
}
