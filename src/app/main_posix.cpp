// Process entry on POSIX: the arguments arrive as bytes and become UTF-16, an
// invalid byte turning into U+FFFD, as Windows would have handed them over.
#include "command_line.h"
#include "crash_containment.h"

#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    contain_crashes();

    std::vector<wide_string> arguments(static_cast<std::size_t>(argc));
    std::vector<const WCHAR*> pointers(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        const int bytes = static_cast<int>(std::strlen(argv[i]));
        wide_string& text = arguments[static_cast<std::size_t>(i)];
        text.resize(static_cast<std::size_t>(bytes));
        text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, argv[i], bytes, text.data(), bytes)));
        pointers[static_cast<std::size_t>(i)] = text.c_str();
    }
    run_command_line(argc, pointers.data());
}
