#include "platform_failure.h"

#include "hstring.h"
#include "white_space.h"

#include <new>

namespace {

com_ptr<winabi::IRestrictedErrorInfo> restricted_info_of(IErrorInfo* info) {
    com_ptr<winabi::IRestrictedErrorInfo> restricted;
    if (info) query(info, winabi::IID_IRestrictedErrorInfo, restricted);
    return restricted;
}

// The thread's error information for this failure. Plain error information is
// turned into restricted information by originating the error anew with its
// description. No result is examined: capturing never fails.
com_ptr<winabi::IRestrictedErrorInfo> capture_error_info(HRESULT code) {
    com_ptr<IErrorInfo> info;
    GetErrorInfo(0, info.put());
    if (auto restricted = restricted_info_of(info.get())) return restricted;

    unique_hstring message;
    if (info) {
        unique_bstr description;
        info->GetDescription(description.put());
        const wide_string trimmed = trim_trailing_space(view_of(description));
        WindowsCreateString(trimmed.c_str(), static_cast<UINT32>(trimmed.size()), message.put());
    }
    RoOriginateLanguageException(code, message.get(), nullptr);
    GetErrorInfo(0, info.put());
    return restricted_info_of(info.get());
}

template <class Failure>
[[noreturn]] void raise(HRESULT code, com_ptr<winabi::IRestrictedErrorInfo> info) {
    throw Failure(code, std::move(info));
}

} // namespace

void raise_platform_failure(HRESULT code) {
    if (code == E_OUTOFMEMORY) throw std::bad_alloc();
    com_ptr<winabi::IRestrictedErrorInfo> info = capture_error_info(code);
    switch (code) {
    case E_ACCESSDENIED: raise<access_denied>(code, std::move(info));
    case RPC_E_WRONG_THREAD: raise<wrong_thread>(code, std::move(info));
    case E_NOTIMPL: raise<not_implemented>(code, std::move(info));
    case E_INVALIDARG: raise<invalid_argument>(code, std::move(info));
    case E_BOUNDS: raise<out_of_bounds>(code, std::move(info));
    case E_NOINTERFACE: raise<no_interface>(code, std::move(info));
    case CLASS_E_CLASSNOTAVAILABLE: raise<class_not_available>(code, std::move(info));
    case REGDB_E_CLASSNOTREG: raise<class_not_registered>(code, std::move(info));
    case E_CHANGED_STATE: raise<changed_state>(code, std::move(info));
    case E_ILLEGAL_METHOD_CALL: raise<illegal_method_call>(code, std::move(info));
    case E_ILLEGAL_STATE_CHANGE: raise<illegal_state_change>(code, std::move(info));
    case E_ILLEGAL_DELEGATE_ASSIGNMENT: raise<illegal_delegate_assignment>(code, std::move(info));
    case HRESULT_FROM_WIN32(ERROR_CANCELLED): raise<canceled>(code, std::move(info));
    default: raise<platform_failure>(code, std::move(info));
    }
}

void raise_last_error() {
    const DWORD error = GetLastError();
    raise_platform_failure(error ? HRESULT_FROM_WIN32(error) : E_FAIL);
}
