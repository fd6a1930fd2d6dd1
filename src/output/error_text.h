// The words that describe platform failures.
#pragma once

#include "../platform/platform_failure.h"

#include <exception>
#include <string>
#include <string_view>

// The failure's words: the restricted error information when it describes this
// very code, the system text for the code otherwise, trailing blanks trimmed.
wide_string platform_failure_message(const platform_failure& failure);

std::string to_utf8(wide_view text);

// What a completion handler records for the failure it caught: the message of a
// platform failure, "async failure" for anything else.
wide_string failure_text_of(const std::exception_ptr& caught);

// The code of the failure a completion handler caught: the platform failure's
// own, E_OUTOFMEMORY for memory exhaustion, E_FAIL for anything else.
HRESULT failure_code_of(const std::exception_ptr& caught) noexcept;

inline constexpr wide_view async_failure_text = WIDE("async failure");
