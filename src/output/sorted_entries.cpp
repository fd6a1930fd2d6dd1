#include "sorted_entries.h"

#include "../platform/utf16.h"

#include <algorithm>
#include <bit>
#include <compare>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <string_view>

namespace {

// How many units the texts share from their start, four at a time: Store IDs
// of one catalogue share long prefixes, and sorting compares them many times.
std::size_t shared_prefix(wide_view a, wide_view b) {
    static_assert(sizeof(WCHAR) == 2 && std::endian::native == std::endian::little);
    const std::size_t shorter = std::min(a.size(), b.size());
    std::size_t at = 0;
    for (; shorter - at >= 4; at += 4) {
        std::uint64_t word_a, word_b;
        std::memcpy(&word_a, a.data() + at, sizeof word_a);
        std::memcpy(&word_b, b.data() + at, sizeof word_b);
        if (word_a != word_b) return at + static_cast<std::size_t>(std::countr_zero(word_a ^ word_b)) / 16;
    }
    while (at != shorter && a[at] == b[at]) ++at;
    return at;
}

// The order of the texts' UTF-8 bytes, which is their code point order, read
// from the UTF-16 the way it is converted (an unpaired surrogate is U+FFFD).
// Equal units are equal code points, so decoding starts where the units first
// differ, or one unit before when a surrogate pair may straddle that place.
std::strong_ordering utf8_order(wide_view a, wide_view b) {
    std::size_t same = shared_prefix(a, b);
    // Most IDs differ in a unit outside the surrogates, after one: those units
    // are their code points.
    const auto plain = [](WCHAR unit) { return unit < 0xD800 || unit > 0xDFFF; };
    if (same < a.size() && same < b.size() && plain(a[same]) && plain(b[same]) &&
        (same == 0 || plain(a[same - 1])))
        return static_cast<char16_t>(a[same]) <=> static_cast<char16_t>(b[same]);
    if (same > 0 && is_high_surrogate(static_cast<char16_t>(a[same - 1]))) --same;
    const WCHAR *at_a = a.data() + same, *const end_a = a.data() + a.size();
    const WCHAR *at_b = b.data() + same, *const end_b = b.data() + b.size();
    while (at_a != end_a && at_b != end_b) {
        const char32_t code_a = next_code_point(at_a, end_a), code_b = next_code_point(at_b, end_b);
        if (code_a != code_b) return code_a <=> code_b;
    }
    return (at_a != end_a) <=> (at_b != end_b);
}

} // namespace

std::vector<std::size_t> store_id_order(const std::vector<wide_view>& store_ids) {
    std::vector<std::size_t> order(store_ids.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return utf8_order(store_ids[a], store_ids[b]) < 0; });
    return order;
}

sorted_entries::sorted_entries(json_writer& line, std::size_t count) : line_(line), count_(count) {
    line_.open_array();
}

// The entries' texts are not known before they are read, and a line that
// outgrows its room is copied whole: each page the copy touches is fresh memory
// the run pays for. So room is made for this entry and the rest, as if they
// were like it; a catalogue of like entries then never moves, and the pages
// never written are never touched.
void sorted_entries::make_room(std::size_t longest) {
    const std::size_t left = count_ > added_ ? count_ - added_ : 1;
    line_.reserve(left * longest);
}

bool sorted_entries::same_id(wide_view store_id) const { return utf8_order(store_id, run_id_) == 0; }

void sorted_entries::order_run() {
    const auto bytes = [&](const entry& e) { return line_.text().substr(e.start, e.size); };
    const auto before = [&](const entry& a, const entry& b) { return bytes(a) < bytes(b); };
    if (!std::is_sorted(run_.begin(), run_.end(), before)) {
        std::vector<entry> order = run_;
        std::sort(order.begin(), order.end(), before);
        std::string ordered;
        for (const entry& e : order) {
            if (&e != &order.front()) ordered += ',';
            ordered += bytes(e);
        }
        line_.overwrite(run_.front().start, ordered);
    }
    run_.clear();
}

void sorted_entries::close() {
    order_run();
    line_.close_array();
}
