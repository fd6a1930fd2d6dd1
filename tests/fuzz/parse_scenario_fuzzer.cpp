// The scenario language's parser: any text parses or is refused without a
// fault, items are judged one by one, and a refusal names the first item that
// is refused on its own, in the words that item alone gets. An SKU's product
// is the one thing judged across items: alone, every SKU lacks it, so that
// refusal stands only after every other item is found well formed.
#include "require.h"

#include "simstore/scenario.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

// The items as the language defines them: split at ';', blanks and tabs around
// each dropped, empty ones skipped.
std::vector<std::string_view> items_of(std::string_view text) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view item = text.substr(start, end - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
        if (!item.empty()) items.push_back(item);
        start = end + 1;
    }
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const simstore::parsed_scenario whole = simstore::parse_scenario(text);

    bool without_product = false; // an SKU refused alone for want of its product
    for (const std::string_view item : items_of(text)) {
        const simstore::parsed_scenario alone = simstore::parse_scenario(item);
        const auto* refused = std::get_if<simstore::scenario_error>(&alone);
        if (!refused) continue;
        if (refused->message.ends_with(simstore::missing_sku_product)) {
            without_product = true;
            continue;
        }
        const auto* whole_refused = std::get_if<simstore::scenario_error>(&whole);
        require(whole_refused != nullptr, "a text with a refused item is refused");
        require(refused->message.find(item) != std::string::npos, "the refusal names the item");
        require(whole_refused->message == refused->message, "the text's refusal is its first refused item's");
        return 0;
    }
    const auto* whole_refused = std::get_if<simstore::scenario_error>(&whole);
    require(!whole_refused || (without_product && whole_refused->message.ends_with(simstore::missing_sku_product)),
            "a text whose items each parse is accepted, unless an SKU's product is missing from it");
    return 0;
}
