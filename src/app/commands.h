// The commands the bridge offers: exact, case-sensitive words.
#pragma once

#include "../calls/store_queries.h"
#include "../output/result_line.h"
#include "../platform/win.h"

#include <cstddef>
#include <span>

struct command {
    wide_view word;
    std::size_t required_arguments; // after the word; a flow ignores any beyond those it takes
    // Gets every argument after the word, at least the required ones.
    result_line (*flow)(std::span<const wide_string> arguments);
    // Instead, for a command that takes the customer ID object on standard
    // input: gets it, read and checked before anything else happens, as the
    // command line is; arguments are ignored.
    result_line (*request_flow)(const customer_id_request& request) = nullptr;
};

std::span<const command> command_table();
