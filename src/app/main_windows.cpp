// Process entry on Windows: the wide-character entry point takes the arguments
// exactly as the host passed them.
#include "command_line.h"

int wmain(int argc, wchar_t** argv) {
    // No system error box may ever appear in front of the host.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    return run_command_line(argc, argv);
}
