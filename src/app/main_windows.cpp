// Process entry on Windows: the wide-character entry point takes the arguments
// exactly as the host passed them.
#include "command_line.h"
#include "crash_containment.h"

int wmain(int argc, wchar_t** argv) {
    contain_crashes();
    run_command_line(argc, argv);
}
