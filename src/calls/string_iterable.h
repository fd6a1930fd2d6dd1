// The bridge's own IIterable<HSTRING>: how a list of words (the product kinds)
// goes to the Store. Agile, so the Store may read it on any thread.
#pragma once

#include "../abi/store_query_abi.h"
#include "../platform/com_ptr.h"

#include <vector>

com_ptr<winabi::IIterable<HSTRING>> make_string_iterable(std::vector<wide_string> words);
