#include "json_writer.h"

#include "date_time_text.h"
#include "../platform/utf16.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// One ASCII character inside a string: as it is (size 0), or these bytes.
struct escape {
    char text[6];
    std::uint8_t size;
};
using escape_table = std::array<escape, 0x80>;

// The longest escape, \u00xx: a string never needs more than this for each byte or unit.
constexpr std::size_t longest_escape = sizeof escape::text;

constexpr escape escape_of(std::string_view text) {
    escape form{};
    for (std::size_t i = 0; i < text.size(); ++i) form.text[i] = text[i];
    form.size = static_cast<std::uint8_t>(text.size());
    return form;
}

// Both rules escape exactly the bytes below 0x20, quote and backslash, which the
// word tests below pass over; they differ in how control bytes are written.
constexpr escape_table make_table(escape_rule rule) {
    constexpr char hex[] = "0123456789abcdef";
    escape_table table{};
    for (std::size_t byte = 0; byte < 0x20; ++byte) {
        const char unicode[] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 0xF]};
        table[byte] = escape_of(std::string_view(unicode, sizeof unicode));
    }
    table['"'] = escape_of("\\\"");
    table['\\'] = escape_of("\\\\");
    if (rule == escape_rule::line_breaks_as_spaces) {
        table['\r'] = table['\n'] = escape_of(" ");
    } else {
        table['\b'] = escape_of("\\b");
        table['\t'] = escape_of("\\t");
        table['\n'] = escape_of("\\n");
        table['\f'] = escape_of("\\f");
        table['\r'] = escape_of("\\r");
    }
    return table;
}

constexpr escape_table spaces_table = make_table(escape_rule::line_breaks_as_spaces);
constexpr escape_table rfc8259_table = make_table(escape_rule::rfc8259);

const escape_table& table_of(escape_rule rule) {
    return rule == escape_rule::rfc8259 ? rfc8259_table : spaces_table;
}

// Whether none of eight bytes needs an escape: none below 0x20, no quote, no
// backslash. Exact, without false alarms, so a clean word is passed over in a
// few instructions.
bool plain_bytes(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const auto has_zero = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    const std::uint64_t below_space = (word - 0x20 * ones) & ~word & highs;
    return (below_space | has_zero(word ^ ('"' * ones)) | has_zero(word ^ ('\\' * ones))) == 0;
}

// The lanes of four UTF-16 units that are not ASCII needing no escape, each
// marked by its top bit. Once a unit is below 0x80, its 16-bit lane has room
// above its value, so these subtractions never borrow from that lane: a borrow
// comes only from a lane already marked, into the lanes after it, so the first
// marked lane is always exact.
std::uint64_t marked_units(std::uint64_t word) {
    constexpr std::uint64_t lanes = 0x0001000100010001, tops = 0x8000 * lanes;
    const std::uint64_t below_space = 0x801F * lanes - word;
    const std::uint64_t quote = tops - (word ^ ('"' * lanes));
    const std::uint64_t backslash = tops - (word ^ ('\\' * lanes));
    const std::uint64_t wide = ((word & 0x7F80 * lanes) + 0x7F80 * lanes) | word;
    return (wide | below_space | quote | backslash) & tops;
}

// The low bytes of four units, in order, as four bytes at `out`: exact for the
// units below 0x100 before the first that is not.
char* narrow_units(char* out, std::uint64_t word) {
    word = (word | word >> 8) & 0x0000FFFF0000FFFF;
    word = (word | word >> 16) & 0xFFFFFFFF;
    const auto bytes = static_cast<std::uint32_t>(word);
    std::memcpy(out, &bytes, sizeof bytes);
    return out + sizeof bytes;
}

char* put_ascii(char* out, unsigned char byte, const escape_table& table) {
    const escape& form = table[byte];
    if (form.size == 0) {
        *out = static_cast<char>(byte);
        return out + 1;
    }
    std::memcpy(out, form.text, sizeof form.text);
    return out + form.size;
}

// Plain runs go eight bytes at a time: descriptions are long and mostly plain.
char* put_bytes(char* out, const char* at, const char* const end, const escape_table& table) {
    while (at != end) {
        if (end - at >= 8) {
            std::uint64_t word;
            std::memcpy(&word, at, sizeof word);
            if (plain_bytes(word)) {
                std::memcpy(out, at, sizeof word);
                out += sizeof word;
                at += sizeof word;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(*at++);
        if (byte < 0x80) out = put_ascii(out, byte, table);
        else *out++ = static_cast<char>(byte);
    }
    return out;
}

// Puts the plain units from `at` on (ASCII that needs no escape), a block at a
// time: true when the whole block was plain, otherwise those before the first
// unit that needs care. A block is eight units with SSE2, four without, and
// needs as many left; the block's bytes may be written past the plain ones, as
// the room for a piece's longest form allows.
bool put_plain_block(char*& out, const WCHAR*& at, const WCHAR* const end) {
    static_assert(sizeof(WCHAR) == 2 && std::endian::native == std::endian::little);
    int plain;
#if defined(__SSE2__) || defined(_M_X64)
    if (end - at >= 8) {
        // Signed lanes: a unit from 0x8000 on is below 0x20 too.
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i marked =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                      _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F))),
                         _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('"')),
                                      _mm_cmpeq_epi16(units, _mm_set1_epi16('\\'))));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(marked));
        plain = mask == 0 ? 8 : std::countr_zero(mask) / 2;
        at += plain;
        out += plain;
        return plain == 8;
    }
#endif
    if (end - at < 4) return false;
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    const std::uint64_t marked = marked_units(word);
    narrow_units(out, word); // the plain units' bytes are exact whatever the others hold
    plain = marked == 0 ? 4 : std::countr_zero(marked) / 16;
    at += plain;
    out += plain;
    return plain == 4;
}

// Plain ASCII goes a block at a time; a unit that needs care goes its own way,
// and so do the ones right after it that need care too (a word in another
// script, a line break), without a block looked at in between.
char* put_units(char* out, const WCHAR* at, const WCHAR* const end, const escape_table& table) {
    const auto plain = [&](WCHAR unit) { return unit >= 0x20 && unit < 0x80 && table[unit].size == 0; };
    while (at != end) {
        if (put_plain_block(out, at, end)) continue;
        do {
            const char32_t c = next_code_point(at, end);
            out = c < 0x80 ? put_ascii(out, static_cast<unsigned char>(c), table) : put_utf8(out, c);
        } while (at != end && !plain(*at));
    }
    return out;
}

char* put_text(char* out, std::string_view utf8, const escape_table& table) {
    return put_bytes(out, utf8.data(), utf8.data() + utf8.size(), table);
}

char* put_text(char* out, wide_view utf16, const escape_table& table) {
    return put_units(out, utf16.data(), utf16.data() + utf16.size(), table);
}

} // namespace

// A page: the most the string is zero-filled ahead of what is written.
constexpr std::size_t growth = 4096;

void json_writer::grow(std::size_t bytes) { text_.resize(size_ + std::max(bytes, growth)); }

json_writer& json_writer::date(std::int64_t ticks) {
    const auto text = rfc3339_of_ticks(ticks);
    return text ? string(std::string_view(text->data(), text->size())) : null();
}

// The text goes in a piece at a time, each with room for its longest form, so
// that the room made never runs far past what is written, however long the text.
template <class Char>
void json_writer::quoted(std::basic_string_view<Char> text) {
    constexpr std::size_t piece_length = 256;
    const escape_table& table = table_of(rule_);
    // The comma, the quotes, and the first piece.
    char* out = separate(room(std::min(text.size(), piece_length) * longest_escape + 3));
    *out++ = '"';
    for (;;) {
        std::size_t length = std::min(text.size(), piece_length);
        // A surrogate pair stays in one piece, to be read as one code point.
        if constexpr (sizeof(Char) == 2) {
            if (length < text.size() && is_high_surrogate(static_cast<char16_t>(text[length - 1]))) --length;
        }
        out = put_text(out, text.substr(0, length), table);
        text.remove_prefix(length);
        if (text.empty()) break;
        written_to(out);
        out = room(std::min(text.size(), piece_length) * longest_escape + 1);
    }
    *out++ = '"';
    written_to(out);
}

json_writer& json_writer::string(std::string_view utf8) {
    quoted(utf8);
    return *this;
}

json_writer& json_writer::string(wide_view utf16) {
    quoted(utf16);
    return *this;
}
