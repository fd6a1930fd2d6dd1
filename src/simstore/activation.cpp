#include "activation.h"
#include "context.h"
#include "error_information.h"
#include "simulation.h"
#include "text.h"
#include "../platform/com_object.h"
#include "../store/store_abi.h"

#include <new>

namespace simstore {
namespace {

class store_context_factory final
    : public com_object<store_context_factory, IActivationFactory, winabi::IStoreContextStatics, IAgileObject> {
public:
    explicit store_context_factory(shared_simulation simulation) : simulation_(std::move(simulation)) {}

    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        *instance = nullptr;
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetDefault(winabi::IStoreContext** context) override {
        simulation_->log.record("GetDefault", "factory");
        *context = nullptr;
        const scenario& settings = simulation_->settings;
        if (settings.context < 0) return injected_failure(settings.context, settings.error);
        return create_context(simulation_, context);
    }
    HRESULT STDMETHODCALLTYPE GetForUser(IInspectable*, winabi::IStoreContext** context) override {
        *context = nullptr;
        return E_NOTIMPL;
    }

private:
    const shared_simulation simulation_;
};

bool names_store_context(HSTRING class_id) {
    UINT32 length = 0;
    const WCHAR* text = WindowsGetStringRawBuffer(class_id, &length);
    return wide_view(text, length) == winabi::store_context_class;
}

} // namespace

HRESULT activate_store_context(HSTRING class_id, const parsed_scenario& configured,
                               const std::filesystem::path& trace_file, IActivationFactory** factory) {
    if (!factory) return E_POINTER;
    *factory = nullptr;
    if (!names_store_context(class_id)) return CLASS_E_CLASSNOTAVAILABLE;
    if (const auto* refused = std::get_if<scenario_error>(&configured)) {
        error_settings words;
        words.description = words.restricted = wide_of_utf8(refused->message);
        return injected_failure(E_INVALIDARG, words);
    }
    try {
        auto simulation = std::make_shared<simstore::simulation>(std::get<scenario>(configured), trace_file);
        *factory = new store_context_factory(std::move(simulation));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace simstore
