// The arguments of "update": the flags first, in any order, each at most once,
// then the host's window handle, if any.
#pragma once

#include "../platform/win.h"

#include <optional>
#include <span>

struct update_arguments {
    bool download_only = false; // download now, the Store installs later
    bool silent = false;        // without UI, when the Store allows it
    bool progress = false;      // a line for each progress report
    wide_view window;           // the handle's text; empty: none given
};

// Nothing for a usage error: a word starting with "--" that is no flag, a
// repeated flag, or a flag after the handle. Words after the handle that are
// no flag are ignored, as every command ignores arguments past its last.
std::optional<update_arguments> parse_update_arguments(std::span<const wide_string> arguments);
