// parse_product_kinds: the words, joined again with commas, are the argument
// itself; none is empty or holds a comma; the argument is refused exactly when
// a word would be empty. The bridge's iterable then hands the Store the same
// words in the same order.
#include "require.h"

#include "calls/string_iterable.h"
#include "flows/product_kinds.h"
#include "platform/hstring.h"

#include <cstddef>
#include <cstdint>

namespace {

std::vector<wide_string> read_back(winabi::IIterable<HSTRING>* iterable) {
    std::vector<wide_string> words;
    com_ptr<winabi::IIterator<HSTRING>> at;
    require(iterable->First(at.put()) == S_OK, "First succeeds");
    boolean has_current = 0;
    require(at->get_HasCurrent(&has_current) == S_OK, "HasCurrent succeeds");
    while (has_current) {
        unique_hstring word;
        require(at->get_Current(word.put()) == S_OK, "Current succeeds while there is one");
        words.emplace_back(view_of(word));
        require(at->MoveNext(&has_current) == S_OK, "MoveNext succeeds");
    }
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes per UTF-16 unit, as the platform hands the argument over.
    wide_string argument(size / 2, WCHAR{});
    for (std::size_t i = 0; i < argument.size(); ++i)
        argument[i] = static_cast<WCHAR>(data[2 * i] | (data[2 * i + 1] << 8));

    const bool has_empty_word = argument.empty() || argument.front() == ',' || argument.back() == ',' ||
                                argument.find(WIDE(",,")) != wide_string::npos;
    const auto words = parse_product_kinds(argument);
    require(words.has_value() != has_empty_word, "refused exactly when a word would be empty");
    if (!words) return 0;

    wide_string joined;
    for (const wide_string& word : *words) {
        require(!word.empty() && word.find(WCHAR{','}) == wide_string::npos, "a word is neither empty nor has a comma");
        if (!joined.empty()) joined += WCHAR{','};
        joined += word;
    }
    require(joined == argument, "the words joined with commas are the argument");
    require(read_back(make_string_iterable(*words).get()) == *words, "the iterable hands out the words in order");
    return 0;
}
