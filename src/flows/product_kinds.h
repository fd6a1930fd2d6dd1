// The KINDS argument of "products" and "collection": product kind words
// separated by commas, each going to the Store unchanged and in order.
#pragma once

#include "../platform/win.h"

#include <optional>
#include <vector>

// What the Store is asked for when the host names no kinds.
std::vector<wide_string> default_product_kinds();

// The words of the argument; nothing when any word is empty (",", "A,,B", "").
std::optional<std::vector<wide_string>> parse_product_kinds(wide_view argument);
