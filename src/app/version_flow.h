#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "version": the program's version and the package identity the process runs
// under. Arguments are ignored.
result_line run_version_flow(std::span<const wide_string> ignored);
