// Appending one trace line to the trace file. Only a regular file is written:
// a FIFO, a device or a link is left alone, so naming one never blocks or
// redirects the run; the trace is then simply not written.
#pragma once

#include <filesystem>
#include <string_view>

namespace simstore {

void append_to_trace_file(const std::filesystem::path& file, std::string_view line);

} // namespace simstore
