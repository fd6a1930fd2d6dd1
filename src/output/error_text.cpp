#include "error_text.h"

#include "../platform/hstring.h"
#include "../platform/white_space.h"

#include <climits>
#include <memory>
#include <new>

namespace {

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
