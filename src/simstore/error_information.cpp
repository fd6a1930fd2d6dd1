#include "error_information.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"
#include "../platform/restricted_error_info.h"

#include <new>

namespace simstore {
namespace {

BSTR copy_or_null(const std::optional<wide_string>& text) {
    return text ? SysAllocStringLen(text->data(), static_cast<UINT>(text->size())) : nullptr;
}

// With a restricted description it is restricted error information; with only
// a description, plain COM error information that refuses IRestrictedErrorInfo.
class injected_error_info final : public com_object<injected_error_info, IErrorInfo, winabi::IRestrictedErrorInfo> {
public:
    injected_error_info(HRESULT code, const error_settings& settings) : code_(code), settings_(settings) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == winabi::IID_IRestrictedErrorInfo && !settings_.restricted) {
            if (object) *object = nullptr;
            return E_NOINTERFACE;
        }
        return com_object::QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
        *guid = GUID{};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override {
        *source = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override {
        *description = copy_or_null(settings_.description);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* help_file) override {
        *help_file = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* help_context) override {
        *help_context = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetErrorDetails(BSTR* description, HRESULT* error, BSTR* restricted_description,
                                              BSTR* capability_sid) override {
        *description = copy_or_null(settings_.description);
        *error = settings_.reported.value_or(code_);
        *restricted_description = copy_or_null(settings_.restricted);
        *capability_sid = nullptr;
        return settings_.details;
    }
    HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) override {
        *reference = nullptr;
        return S_OK;
    }

private:
    const HRESULT code_;
    const error_settings settings_;
};

} // namespace

HRESULT injected_failure(HRESULT code, const error_settings& settings) {
    com_ptr<IErrorInfo> info;
    if (settings.description || settings.restricted) {
        try {
            info = com_ptr<IErrorInfo>::attach(new injected_error_info(code, settings));
        } catch (const std::bad_alloc&) {
            // The failure is still returned, only without its words.
        }
    }
    // Its own result changes nothing: the failure is returned either way.
    SetErrorInfo(0, info.get());
    return code;
}

} // namespace simstore
