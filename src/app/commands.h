// The commands the bridge offers: exact, case-sensitive words.
#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <cstddef>
#include <span>
#include <string_view>

struct command {
    wide_view word;
    std::size_t required_arguments; // after the word; a flow ignores any beyond those it takes
    // Gets every argument after the word, at least the required ones.
    result_line (*flow)(std::span<const wide_string> arguments);
    // Instead, for a command that takes its input on standard input: gets all
    // of it, read before anything else happens; arguments are ignored.
    result_line (*input_flow)(std::string_view standard_input) = nullptr;
};

std::span<const command> command_table();
