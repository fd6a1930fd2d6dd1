// Checks the command line, runs the one command it names, and returns the exit code.
#pragma once

#include "../platform/win.h"

// argv holds argc UTF-16 arguments; argv[0] is the program.
int run_command_line(int argc, const WCHAR* const* argv);
