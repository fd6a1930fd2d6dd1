// An error information object of the kind Windows Runtime components leave on a
// thread: plain COM error information, or also restricted error information.
#pragma once

#include "com_object.h"
#include "restricted_error_info.h"

#include <optional>

struct error_details {
    HRESULT reported;                        // the code GetErrorDetails reports
    std::optional<wide_string> description;  // absent: a null BSTR
    std::optional<wide_string> restricted;   // absent: a null BSTR
    HRESULT details_result = S_OK;           // what GetErrorDetails returns
    bool answers_restricted = true;          // false: plain COM error information only
};

class error_info_object final : public com_object<error_info_object, IErrorInfo, winabi::IRestrictedErrorInfo> {
public:
    explicit error_info_object(error_details details) : details_(std::move(details)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == winabi::IID_IRestrictedErrorInfo && !details_.answers_restricted) {
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
        *description = copy(details_.description);
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
        *description = copy(details_.description);
        *error = details_.reported;
        *restricted_description = copy(details_.restricted);
        *capability_sid = nullptr;
        return details_.details_result;
    }
    HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) override {
        *reference = nullptr;
        return S_OK;
    }

private:
    static BSTR copy(const std::optional<wide_string>& text) {
        return text ? SysAllocStringLen(text->data(), static_cast<UINT>(text->size())) : nullptr;
    }

    const error_details details_;
};
