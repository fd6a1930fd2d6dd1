// UTF-8 scenario text to the program's UTF-16, through the platform's own call;
// invalid input becomes U+FFFD. (The other way is the bridge's own to_utf8.)
#pragma once

#include "../platform/win.h"

#include <string>
#include <string_view>

namespace simstore {

wide_string wide_of_utf8(std::string_view text);

} // namespace simstore
