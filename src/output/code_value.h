// The "code" value of the query and consumable lines.
#pragma once

#include "json_writer.h"

// A failure code as "0x8XXXXXXX" (upper-case hex), null for any other code.
json_writer& write_code(json_writer& line, HRESULT code);
