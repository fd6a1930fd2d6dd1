// The text form of a GUID: the one the bridge writes, and the forms it reads.
#pragma once

#include "../platform/win.h"

#include <optional>
#include <string>

// xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx with hex digits of either case, or the
// same in braces; nothing else, the empty text included.
std::optional<GUID> parse_guid_text(wide_view text);

// The canonical form: lower case, no braces, 36 characters.
std::string guid_text(const GUID& guid);
