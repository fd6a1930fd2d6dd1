// Platform failures, raised as C++ exceptions straight after the failing call.
#pragma once

#include "com_ptr.h"
#include "restricted_error_info.h"

// Raised when a Windows Runtime or COM call fails. Like the projection's
// hresult_error it is no std::exception, so handlers of standard failures never
// take it by accident.
class platform_failure {
public:
    platform_failure(HRESULT code, com_ptr<winabi::IRestrictedErrorInfo> info) noexcept
        : code_(code), info_(std::move(info)) {}
    virtual ~platform_failure() = default;

    HRESULT code() const noexcept { return code_; }
    winabi::IRestrictedErrorInfo* info() const noexcept { return info_.get(); }

private:
    HRESULT code_;
    com_ptr<winabi::IRestrictedErrorInfo> info_;
};

// The specific kinds add nothing but their type.
template <HRESULT Code>
class specific_platform_failure : public platform_failure {
public:
    using platform_failure::platform_failure;
};
using access_denied = specific_platform_failure<E_ACCESSDENIED>;
using wrong_thread = specific_platform_failure<RPC_E_WRONG_THREAD>;
using not_implemented = specific_platform_failure<E_NOTIMPL>;
using invalid_argument = specific_platform_failure<E_INVALIDARG>;
using out_of_bounds = specific_platform_failure<E_BOUNDS>;
using no_interface = specific_platform_failure<E_NOINTERFACE>;
using class_not_available = specific_platform_failure<CLASS_E_CLASSNOTAVAILABLE>;
using class_not_registered = specific_platform_failure<REGDB_E_CLASSNOTREG>;
using changed_state = specific_platform_failure<E_CHANGED_STATE>;
using illegal_method_call = specific_platform_failure<E_ILLEGAL_METHOD_CALL>;
using illegal_state_change = specific_platform_failure<E_ILLEGAL_STATE_CHANGE>;
using illegal_delegate_assignment = specific_platform_failure<E_ILLEGAL_DELEGATE_ASSIGNMENT>;
using canceled = specific_platform_failure<HRESULT_FROM_WIN32(ERROR_CANCELLED)>;

// Captures the thread's error information for a failing code and raises the
// platform failure; E_OUTOFMEMORY is raised as std::bad_alloc instead. Call it
// straight after the failing call, before anything else can replace the
// thread's error information.
[[noreturn]] void raise_platform_failure(HRESULT code);

// Raises the calling thread's last error (E_FAIL when it has none) as a platform failure.
[[noreturn]] void raise_last_error();

inline void check_hresult(HRESULT code) {
    if (code < 0) raise_platform_failure(code);
}
