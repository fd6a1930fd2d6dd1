// Text inside the JSON strings of the query lines, escaped as RFC 8259 asks:
// line breaks stay visible as \n, because product descriptions have paragraphs.
#pragma once

#include <string>
#include <string_view>

// Appends the text as a JSON string: quoted, quote and backslash with a
// backslash, \n, \r, \t, \b and \f as their short escapes, every other byte
// below 0x20 as \u00xx. All other bytes pass unchanged: the text is UTF-8.
void append_json_string(std::string& line, std::string_view utf8);
