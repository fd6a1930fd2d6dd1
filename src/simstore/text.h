// The two conversions between UTF-8 and the program's UTF-16, through the
// platform's own calls; invalid input becomes U+FFFD either way.
#pragma once

#include "../platform/win.h"

#include <string>
#include <string_view>

namespace simstore {

wide_string wide_of_utf8(std::string_view text);
std::string utf8_of(wide_view text);

} // namespace simstore
