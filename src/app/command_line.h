// Checks the command line, runs the one command it names, writes its line and
// ends the process with the line's exit code (run_end.h).
#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

// argv holds argc UTF-16 arguments; argv[0] is the program.
[[noreturn]] void run_command_line(int argc, const WCHAR* const* argv);

// The line the command line asks for: the usage line, the flow's line, or the
// general failure line of what the flow raised; a shortage of memory leaves
// as std::bad_alloc.
result_line run_command(int argc, const WCHAR* const* argv);
