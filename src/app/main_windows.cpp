// Process entry on Windows: the wide-character entry point takes the arguments
// exactly as the host passed them.
#include "command_line.h"
#include "crash_containment.h"
#include "../output/run_end.h"

int wmain(int argc, wchar_t** argv) {
    contain_crashes();
    // Never a return from wmain: see run_end.h.
    end_run(run_command_line(argc, argv));
}
