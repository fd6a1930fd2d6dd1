#include "command_line.h"

#include "commands.h"
#include "../output/error_text.h"
#include "../output/result_line.h"

#include <algorithm>
#include <new>

namespace {

const command* find_command(const wide_string& word) {
    const auto table = command_table();
    const auto found = std::find_if(table.begin(), table.end(), [&](const command& c) { return c.word == word; });
    return found == table.end() ? nullptr : &*found;
}

bool takes_optional_argument(const wide_string& word) {
    const auto table = command_table();
    return std::any_of(table.begin(), table.end(), [&](const command& c) { return c.word == word && !c.needs_argument; });
}

// Everything the flow does not handle itself ends here as the general failure line.
int run_guarded(const command& selected, const wide_string& argument) {
    try {
        check_hresult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        return selected.flow(argument);
    } catch (const platform_failure& failure) {
        write_general_failure_line(to_utf8(platform_failure_message(failure)));
    } catch (const std::bad_alloc&) {
        // Every standard library words this its own way; the host sees one text.
        write_general_failure_line("bad allocation");
    } catch (const std::exception& failure) {
        write_general_failure_line(failure.what());
    }
    return 1;
}

} // namespace

int run_command_line(int argc, const WCHAR* const* argv) {
    if (argc < 2) {
        write_usage_line();
        return 2;
    }
    const wide_string word = argv[1];
    // The argument rule comes before the lookup, so an unknown word without
    // argument is refused like "buy" without one.
    if (argc < 3 && !takes_optional_argument(word)) {
        write_usage_line();
        return 2;
    }
    const wide_string argument = argc >= 3 ? argv[2] : wide_string();
    const command* selected = find_command(word);
    if (!selected) {
        write_usage_line();
        return 2;
    }
    return run_guarded(*selected, argument);
}
