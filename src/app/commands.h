// The commands the bridge offers: exact, case-sensitive words.
#pragma once

#include "../platform/win.h"

#include <span>

struct command {
    wide_view word;
    bool needs_argument;
    int (*flow)(const wide_string& argument);
};

std::span<const command> command_table();
