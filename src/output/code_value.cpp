#include "code_value.h"

#include <cstdio>

json_writer& write_code(json_writer& line, HRESULT code) {
    if (code >= 0) return line.null();
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return line.string(std::string_view(text, sizeof text - 1));
}
