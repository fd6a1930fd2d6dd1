#pragma once

#include "../platform/win.h"

// "version": writes the program's version and the package identity the process
// runs under. Arguments are ignored. Returns the exit code.
int run_version_flow(const wide_string& ignored);
