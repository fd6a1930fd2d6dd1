// The query commands: what the user owns and what there is to buy. None shows
// UI; each returns its line, and only standard failures are raised.
#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "license": the app's licence and its add-on licences; arguments are ignored.
result_line run_license_flow(std::span<const wide_string> arguments);
// "products [KINDS]": the add-ons the Store offers this app, with the user's prices.
result_line run_products_flow(std::span<const wide_string> arguments);
// "collection [KINDS]": the products this user owns.
result_line run_collection_flow(std::span<const wide_string> arguments);
