#include "activation.h"
#include "context.h"
#include "error_information.h"
#include "faults.h"
#include "simulation.h"
#include "text.h"
#include "../abi/store_abi.h"
#include "../platform/com_object.h"

#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

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

void hang_for_ever() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

// Exit work registered here runs when the process ends through exit
// processing: at exit() on POSIX, at this DLL's detach on Windows.
bool register_exit_work(exit_work work) {
    switch (work) {
    case exit_work::none: return true;
    case exit_work::hang: return std::atexit(hang_for_ever) == 0;
    case exit_work::fault: return std::atexit(write_through_bad_pointer) == 0;
    }
    return true;
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
    const scenario& settings = std::get<scenario>(configured);
    if (!register_exit_work(settings.at_exit)) return E_OUTOFMEMORY;
    try {
        auto simulation = std::make_shared<simstore::simulation>(settings, trace_file);
        *factory = new store_context_factory(std::move(simulation));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace simstore
