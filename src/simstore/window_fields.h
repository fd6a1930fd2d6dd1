// The anchor window as the window system reports it, for the trace line of
// IInitializeWithWindow::Initialize.
#pragma once

#include "trace.h"
#include "../platform/win.h"

namespace simstore {

void add_window_fields(json_writer& line, HWND window);

} // namespace simstore
