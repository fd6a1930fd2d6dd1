#include "error_text.h"

#include "white_space.h"
#include "../platform/hstring.h"

#include <climits>
#include <memory>
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

// Empty when the system has no text for the code; a system that has no memory
// for it raises, so that the caller never mistakes that for "no words".
wide_string system_text(HRESULT code) {
    unique_hlocal buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<WCHAR*>(buffer.put()), 0,
        nullptr);
    if (length == 0) {
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) throw std::bad_alloc();
        return {};
    }
    return trim_trailing_space(wide_view(static_cast<const WCHAR*>(buffer.get()), length));
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

wide_string platform_failure_message(const platform_failure& failure) {
    if (winabi::IRestrictedErrorInfo* info = failure.info()) {
        unique_bstr description, restricted, capability;
        HRESULT reported = S_OK;
        const HRESULT details = info->GetErrorDetails(description.put(), &reported, restricted.put(), capability.put());
        if (details == S_OK && reported == failure.code())
            return trim_trailing_space(restricted ? view_of(restricted) : view_of(description));
    }
    return system_text(failure.code());
}

wide_string trim_trailing_space(wide_view text) {
    std::size_t end = text.size();
    while (end > 0 && is_white_space(text[end - 1])) --end;
    return wide_string(text.substr(0, end));
}

std::string to_utf8(wide_view text) {
    if (text.empty()) return {};
    // One call into room for the longest result: a UTF-16 unit gives at most
    // three bytes (a surrogate pair, two units, gives four). A text too long for
    // the call's int sizes (hundreds of millions of units) counts as memory exhaustion.
    if (text.size() > INT_MAX / 3) throw std::bad_alloc();
    const int length = static_cast<int>(text.size());
    const int room = length * 3;
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(room));
    // Every UTF-16 text converts (an unpaired surrogate becomes U+FFFD): a failure is the system's.
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, buffer.get(), room, nullptr, nullptr);
    if (size <= 0) raise_last_error();
    return std::string(buffer.get(), static_cast<std::size_t>(size));
}

wide_string failure_text_of(const std::exception_ptr& caught) {
    try {
        std::rethrow_exception(caught);
    } catch (const platform_failure& failure) {
        return platform_failure_message(failure);
    } catch (...) {
        return wide_string(async_failure_text);
    }
}

HRESULT failure_code_of(const std::exception_ptr& caught) noexcept {
    try {
        std::rethrow_exception(caught);
    } catch (const platform_failure& failure) {
        return failure.code();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
