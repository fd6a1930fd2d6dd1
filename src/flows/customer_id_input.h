// What "purchase-id" and "collections-id" take on standard input: one strict
// JSON object, {"serviceTicket":"...","publisherUserId":"..."}. The ticket is a
// bearer token, so it never comes on the command line, where every process of
// the user can read it.
#pragma once

#include "../calls/store_queries.h"

#include <optional>
#include <string_view>

// Nothing for anything but that object (RFC 8259, UTF-8): both members, strings,
// no other member and neither twice, white space only around the tokens. A raw
// control byte, invalid UTF-8 or an escaped surrogate without its pair is no
// text; escapes such as \r and \u001a give the characters they name.
std::optional<customer_id_request> parse_customer_id_request(std::string_view json);
