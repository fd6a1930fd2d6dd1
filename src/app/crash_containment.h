// The last line of defence: whatever nothing else handles (a hardware fault on
// any thread, an exception that nothing catches) still ends the run with the
// crash line and exit code 1, and no system error box appears. Called first
// thing in the entry point.
#pragma once

void contain_crashes();
