// The lines of the query commands: RFC 8259 escaping of every text, the order
// of members and entries, the date and duration rules, and the failure line.
#include "output/json_text.h"
#include "output/query_lines.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

std::string json_string(std::string_view text) {
    std::string line;
    append_json_string(line, text);
    return line;
}

constexpr std::int64_t second = 10'000'000;
constexpr std::int64_t never = 2650466880000000000;       // 9999-12-31
constexpr std::int64_t march_2027 = 134483328000000000;   // 2027-03-01T00:00:00Z

product_record gold() {
    product_record p;
    p.store_id = "9NBLGGH4TNMP";
    p.kind = "Durable";
    p.title = "Gold";
    p.description = "Line one\nLine two";
    p.price = "$1.99";
    p.base_price = "$2.99";
    p.currency = "USD";
    p.on_sale = true;
    p.sale_ends = march_2027;
    p.offer_token = "gold";
    return p;
}

} // namespace

TEST(append_json_string, escapes_as_rfc_8259_asks) {
    const std::pair<std::string, std::string> cases[] = {
        {"", R"("")"},
        {"plain", R"("plain")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(C:\path\)", R"("C:\\path\\")"},
        {"a\nb\r\nc", R"("a\nb\r\nc")"},
        {"\t\b\f", R"("\t\b\f")"},
        {std::string("nul\0", 4), R"("nul\u0000")"},
        {"\x01\x1f\x1b\x0b", R"("\u0001\u001f\u001b\u000b")"},
        {"del\x7f /", "\"del\x7f /\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xef\xbf\xbd", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xef\xbf\xbd\""},
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(json_string(text), quoted);
}

// Plain bytes are passed over several at a time: a byte that needs an escape,
// or one that does not, at any place among plain ones, comes out as it does alone.
TEST(append_json_string, every_kind_of_byte_at_every_place_among_plain_ones) {
    const std::pair<std::string, std::string> kinds[] = {
        {"\"", R"(\")"}, {"\\", R"(\\)"}, {"\n", R"(\n)"}, {std::string(1, '\0'), R"(\u0000)"},
        {"\x1f", R"(\u001f)"}, {" ", " "}, {"!", "!"}, {"#", "#"}, {"[", "["}, {"]", "]"},
        {"\x7f", "\x7f"}, {"\xc3\xa9", "\xc3\xa9"},
    };
    for (const auto& [byte, escaped] : kinds) {
        for (std::size_t before = 0; before <= 17; ++before) {
            const std::size_t after = 17 - before;
            EXPECT_EQ(json_string(std::string(before, 'a') + byte + std::string(after, 'b')),
                      '"' + std::string(before, 'a') + escaped + std::string(after, 'b') + '"')
                << before;
        }
    }
}

TEST(licence_line, default_full_licence) {
    app_licence_record licence;
    licence.active = true;
    licence.trial_left = std::numeric_limits<std::int64_t>::max();
    licence.expires = never;
    EXPECT_EQ(licence_line(licence).text,
              R"({"status":"ok","active":true,"trial":false,"trialOwned":false,"trialSecondsLeft":0,"expires":null,)"
              R"("sku":"","trialId":"","addOns":[],"error":null})");
}

TEST(licence_line, trial_seconds_only_for_a_trial_rounded_down_and_never_negative) {
    const struct {
        bool trial;
        std::int64_t left;
        const char* seconds;
    } cases[] = {
        {false, 90 * second, "0"},
        {true, 90 * second + second - 1, "90"},
        {true, -second, "0"},
        {true, std::numeric_limits<std::int64_t>::max(), "922337203685"},
    };
    for (const auto& c : cases) {
        app_licence_record licence;
        licence.trial = c.trial;
        licence.trial_left = c.left;
        EXPECT_NE(licence_line(licence).text.find(std::string(R"("trialSecondsLeft":)") + c.seconds + ","), std::string::npos)
            << c.left;
    }
}

TEST(licence_line, add_ons_sorted_by_store_id_with_every_member) {
    app_licence_record licence;
    licence.active = licence.trial = licence.trial_owned = true;
    licence.trial_left = 3600 * second;
    licence.expires = march_2027;
    licence.sku = "9NBLGGH4R315/0010";
    licence.trial_id = "t\"1";
    licence.add_ons = {
        {"9ZZ/0011", true, never, "z"},
        {"9AA", false, 0, "bare"},
        {"9ZZ/0010", true, march_2027, "z"},
        {"9AB/1/2", true, 1, "two slashes"},
    };
    EXPECT_EQ(licence_line(licence).text,
              R"({"status":"ok","active":true,"trial":true,"trialOwned":true,"trialSecondsLeft":3600,)"
              R"("expires":"2027-03-01T00:00:00Z","sku":"9NBLGGH4R315/0010","trialId":"t\"1","addOns":[)"
              R"({"storeId":"9AA","sku":"9AA","active":false,"expires":null,"offerToken":"bare"},)"
              R"({"storeId":"9AB","sku":"9AB/1/2","active":true,"expires":"1601-01-01T00:00:00Z","offerToken":"two slashes"},)"
              R"({"storeId":"9ZZ","sku":"9ZZ/0010","active":true,"expires":"2027-03-01T00:00:00Z","offerToken":"z"},)"
              R"({"storeId":"9ZZ","sku":"9ZZ/0011","active":true,"expires":null,"offerToken":"z"}],"error":null})");
}

TEST(product_list_line, members_in_order_sorted_by_byte_order_of_store_id) {
    const std::string empty_rest = R"("kind":"","title":"","description":"","price":"","basePrice":"","currency":"",)"
                                   R"("onSale":false,"saleEnds":null,"recurrencePrice":"","inCollection":false,"offerToken":""})";
    product_record plain;
    plain.store_id = "9a";
    product_record accented;
    accented.store_id = "\xc3\xa9";
    product_record upper;
    upper.store_id = "9B";
    EXPECT_EQ(product_list_line({gold(), accented, plain, upper}).text,
              R"({"status":"ok","products":[{"storeId":"9B",)" + empty_rest +
                  R"(,{"storeId":"9NBLGGH4TNMP","kind":"Durable","title":"Gold","description":"Line one\nLine two",)"
                  R"("price":"$1.99","basePrice":"$2.99","currency":"USD","onSale":true,"saleEnds":"2027-03-01T00:00:00Z",)"
                  R"("recurrencePrice":"","inCollection":false,"offerToken":"gold"},{"storeId":"9a",)" +
                  empty_rest + ",{\"storeId\":\"\xc3\xa9\"," + empty_rest + R"(],"error":null})");
    EXPECT_EQ(product_list_line({}).text, R"({"status":"ok","products":[],"error":null})");
}

TEST(product_list_line, sale_end_only_when_on_sale) {
    product_record p = gold();
    p.on_sale = false;
    EXPECT_NE(product_list_line({p}).text.find(R"("onSale":false,"saleEnds":null,)"), std::string::npos);
    p.on_sale = true;
    p.sale_ends = never;
    EXPECT_NE(product_list_line({p}).text.find(R"("onSale":true,"saleEnds":null,)"), std::string::npos);
}

TEST(product_list_line, the_same_records_in_any_order_give_the_same_bytes) {
    product_record a = gold(), b = gold(), c = gold();
    b.title = "Silver"; // the same Store ID twice: ordered by the whole entry
    c.store_id = "9A";
    EXPECT_EQ(product_list_line({a, b, c}).text, product_list_line({c, b, a}).text);
    EXPECT_EQ(product_list_line({b, c, a}).text, product_list_line({a, c, b}).text);
}

TEST(query_lines, exit_code_0_for_an_answer_and_1_for_a_failure) {
    EXPECT_EQ(licence_line({}).exit_code, 0);
    EXPECT_EQ(product_list_line({}).exit_code, 0);
    EXPECT_EQ(query_failure_line(E_FAIL, WIDE("")).exit_code, 1);
    EXPECT_EQ(query_failure_line(WIDE("no result")).exit_code, 1);
}

TEST(query_failure_line, code_in_upper_case_hex_and_escaped_text) {
    constexpr GUID sent = {0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};
    const std::pair<result_line, std::string> cases[] = {
        {query_failure_line(static_cast<HRESULT>(0x803F6107), WIDE("TEXT")),
         R"({"status":"error","code":"0x803F6107","error":"TEXT"})"},
        {query_failure_line(static_cast<HRESULT>(0x80070005), WIDE("")), R"({"status":"error","code":"0x80070005","error":""})"},
        {query_failure_line(static_cast<HRESULT>(0x8000000B), WIDE("a \"b\"\r\nc\\")),
         R"({"status":"error","code":"0x8000000B","error":"a \"b\"\r\nc\\"})"},
        {query_failure_line(WIDE("no result")), R"({"status":"error","code":null,"error":"no result"})"},
        {query_failure_line(WIDE("no operation")), R"({"status":"error","code":null,"error":"no operation"})"},
        // The failure of "consume" carries the tracking ID it sent, between code and error.
        {query_failure_line(static_cast<HRESULT>(0x80070005), WIDE("x"), sent),
         R"({"status":"error","code":"0x80070005","trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","error":"x"})"},
        {query_failure_line(WIDE("no result"), sent),
         R"({"status":"error","code":null,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","error":"no result"})"},
    };
    for (const auto& [line, text] : cases) EXPECT_EQ(line.text, text);
}
