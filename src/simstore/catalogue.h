// The Store's catalogue as the scenario describes it: the declared add-on
// licences and products first, then the generated ones, made up on demand.
#pragma once

#include "scenario.h"

#include <cstddef>

namespace simstore {

std::size_t add_on_count(const scenario& settings);
add_on_settings add_on_at(const scenario& settings, std::size_t index);

std::size_t product_count(const scenario& settings);
product_settings product_at(const scenario& settings, std::size_t index);

// The description every generated product shares: `length` UTF-16 units with
// line breaks, quotes, a backslash, control characters, letters from beyond
// ASCII and an unpaired surrogate.
wide_string generated_description(std::size_t length);

} // namespace simstore
