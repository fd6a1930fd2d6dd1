// How a run ends once its line is out: at once, with that line's exit code and
// without the process's exit processing. Store threads may still be running,
// faulting or unwinding then; the runtime's exit work and the loader's teardown
// (static destructors, DLL detach, atexit handlers) would race them, and under
// Wine the loader has been seen to abort with its own words on standard error.
#pragma once

// Ends every thread now. Safe in a crash handler: no allocation, no lock.
[[noreturn]] void end_process_now(int exit_code) noexcept;

// The end of a run that did not crash. Under AddressSanitizer the leak check
// runs first, since no exit processing will run it.
[[noreturn]] void end_run(int exit_code) noexcept;
