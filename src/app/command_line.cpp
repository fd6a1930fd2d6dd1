#include "command_line.h"

#include "commands.h"
#include "standard_input.h"
#include "../flows/customer_id_input.h"
#include "../output/error_text.h"
#include "../output/run_end.h"
#include "../output/standard_output.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

const command* find_command(const wide_string& word) {
    const auto table = command_table();
    const auto found = std::find_if(table.begin(), table.end(), [&](const command& c) { return c.word == word; });
    return found == table.end() ? nullptr : &*found;
}

// Everything the flow does not handle itself becomes the general failure line.
// Standard input is read and checked before the apartment exists: a wrong or
// missing input is a usage error that touches nothing else.
result_line run_flow(const command& selected, std::span<const wide_string> arguments) {
    try {
        if (selected.request_flow) {
            const std::optional<std::string> input = read_standard_input();
            const auto request = input ? parse_customer_id_request(*input) : std::nullopt;
            if (!request) return usage_line();
            check_hresult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
            return selected.request_flow(*request);
        }
        check_hresult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        return selected.flow(arguments);
    } catch (const platform_failure& failure) {
        return general_failure_line(platform_failure_message(failure));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& failure) {
        return general_failure_line(failure.what());
    }
}

} // namespace

result_line run_command(int argc, const WCHAR* const* argv) {
    // An unknown word, or a known one without the arguments it needs, is a usage
    // error before anything else happens.
    const command* selected = argc >= 2 ? find_command(argv[1]) : nullptr;
    const std::vector<wide_string> arguments(argv + std::min(argc, 2), argv + argc);
    if (!selected || arguments.size() < selected->required_arguments) return usage_line();
    return run_flow(*selected, arguments);
}

// The flow has returned, and released all it held but what its line keeps,
// before the line goes out; the run ends right after it, with that still held.
void run_command_line(int argc, const WCHAR* const* argv) {
    try {
        const result_line line = run_command(argc, argv);
        end_run(write_result_line(line));
    } catch (const std::bad_alloc&) {
        // Every standard library words this its own way; the host sees one text,
        // and it takes no memory to write.
        end_run(write_result_line(bad_allocation_line, 1));
    }
}
