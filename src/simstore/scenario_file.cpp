#include "scenario_file.h"
#include "scenario_values.h"

namespace simstore {
namespace {

// The file's items in the variable's form, each followed by ';'.
std::string items_of_file(std::string_view text) {
    // Editors on Windows may start a UTF-8 file with a byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::string items;
    for (std::string_view line : split(text, '\n')) {
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        items.append(line).push_back(';');
    }
    return items;
}

} // namespace

parsed_scenario parse_configured_scenario(std::string_view file_name, std::string_view variable) {
    if (file_name.empty()) return parse_scenario(variable);
    const std::optional<std::string> text = read_scenario_file(file_name);
    if (!text) return scenario_error{"bad scenario file \"" + std::string(file_name) + "\": cannot be read"};
    return parse_scenario(items_of_file(*text).append(variable));
}

} // namespace simstore
