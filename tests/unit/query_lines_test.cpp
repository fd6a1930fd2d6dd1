// The lines of the query commands: RFC 8259 escaping of every text, the order
// of members and entries, the date and duration rules, and the failure line.
#include "calls/store_calls.h"
#include "output/query_lines.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

// The records go into their line one at a time in the order of their Store
// IDs, as the Store's readers hand them over.
template <class Record, class Line, class StoreId>
result_line line_of(Line& line, std::vector<Record>& records, StoreId store_id) {
    std::vector<wide_view> ids;
    for (const Record& record : records) ids.push_back(store_id(record));
    for (const std::size_t index : store_id_order(ids)) line.add(std::move(records[index]));
    return line.finish();
}

template <class... AddOns>
result_line license_of(const app_license_record& license, AddOns... add_ons) {
    std::vector<add_on_license_record> records;
    (records.push_back(std::move(add_ons)), ...);
    license_line line(license, records.size());
    return line_of(line, records, [](const add_on_license_record& a) { return store_id_of_sku(view_of(a.sku)); });
}

template <class... Products>
result_line products_of(Products... products) {
    std::vector<product_record> records;
    (records.push_back(std::move(products)), ...);
    product_list_line line(records.size());
    return line_of(line, records, [](const product_record& p) { return view_of(p.store_id); });
}

add_on_license_record add_on(wide_view sku, bool active, std::int64_t expires, wide_view token) {
    return {make_hstring(sku), active, expires, make_hstring(token)};
}

product_record with_id(wide_view store_id) {
    product_record p;
    p.store_id = make_hstring(store_id);
    return p;
}

constexpr std::int64_t second = 10'000'000;
constexpr std::int64_t never = 2650466880000000000;       // 9999-12-31
constexpr std::int64_t march_2027 = 134483328000000000;   // 2027-03-01T00:00:00Z

product_record gold() {
    product_record p = with_id(WIDE("9NBLGGH4TNMP"));
    p.kind = make_hstring(WIDE("Durable"));
    p.title = make_hstring(WIDE("Gold"));
    p.description = make_hstring(WIDE("Line one\nLine two"));
    p.price = make_hstring(WIDE("$1.99"));
    p.base_price = make_hstring(WIDE("$2.99"));
    p.currency = make_hstring(WIDE("USD"));
    p.on_sale = true;
    p.sale_ends = march_2027;
    p.offer_token = make_hstring(WIDE("gold"));
    return p;
}

} // namespace

TEST(license_line, default_full_license) {
    app_license_record license;
    license.active = true;
    license.trial_left = std::numeric_limits<std::int64_t>::max();
    license.expires = never;
    EXPECT_EQ(license_of(license).text,
              R"({"status":"ok","active":true,"trial":false,"trialOwned":false,"trialSecondsLeft":0,"expires":null,)"
              R"("sku":"","trialId":"","addOns":[],"error":null})");
}

TEST(license_line, trial_seconds_only_for_a_trial_rounded_down_and_never_negative) {
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
        app_license_record license;
        license.trial = c.trial;
        license.trial_left = c.left;
        EXPECT_NE(license_of(license).text.find(std::string(R"("trialSecondsLeft":)") + c.seconds + ","), std::string::npos)
            << c.left;
    }
}

TEST(license_line, add_ons_sorted_by_store_id_with_every_member) {
    app_license_record license;
    license.active = license.trial = license.trial_owned = true;
    license.trial_left = 3600 * second;
    license.expires = march_2027;
    license.sku = make_hstring(WIDE("9NBLGGH4R315/0010"));
    license.trial_id = make_hstring(WIDE("t\"1"));
    EXPECT_EQ(license_of(license, add_on(WIDE("9ZZ/0011"), true, never, WIDE("z")),
                         add_on(WIDE("9AA"), false, 0, WIDE("bare")),
                         add_on(WIDE("9ZZ/0010"), true, march_2027, WIDE("z")),
                         add_on(WIDE("9AB/1/2"), true, 1, WIDE("two slashes")))
                  .text,
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
    EXPECT_EQ(products_of(gold(), with_id(WIDE("\u00e9")), with_id(WIDE("9a")), with_id(WIDE("9B"))).text,
              R"({"status":"ok","products":[{"storeId":"9B",)" + empty_rest +
                  R"(,{"storeId":"9NBLGGH4TNMP","kind":"Durable","title":"Gold","description":"Line one\nLine two",)"
                  R"("price":"$1.99","basePrice":"$2.99","currency":"USD","onSale":true,"saleEnds":"2027-03-01T00:00:00Z",)"
                  R"("recurrencePrice":"","inCollection":false,"offerToken":"gold"},{"storeId":"9a",)" +
                  empty_rest + ",{\"storeId\":\"\xc3\xa9\"," + empty_rest + R"(],"error":null})");
    EXPECT_EQ(products_of().text, R"({"status":"ok","products":[],"error":null})");
}

// The order is that of the UTF-8 the line holds, not of the UTF-16 the Store
// gives: a surrogate pair comes after every other unit, and an unpaired
// surrogate sorts as the U+FFFD it becomes.
TEST(product_list_line, sorted_by_the_utf8_of_store_ids_given_as_utf16) {
    const auto ids_in = [](const std::string& line) {
        std::vector<std::string> ids;
        for (std::size_t at = line.find(R"("storeId":")"); at != std::string::npos;
             at = line.find(R"("storeId":")", at + 1)) {
            const std::size_t start = at + 11;
            ids.push_back(line.substr(start, line.find('"', start) - start));
        }
        return ids;
    };
    const std::vector<std::string> expected = {"9a", "\xee\x80\x80", "\xef\xbc\xa1", "\xef\xbf\xbd", "\xef\xbf\xbd",
                                               "\xf0\x9f\x98\x80"};
    EXPECT_EQ(ids_in(products_of(with_id(wide_string{0xD83D, 0xDE00}), with_id(wide_string{0xFFFD}),
                                 with_id(wide_string{0xFF21}), with_id(WIDE("9a")), with_id(wide_string{0xD800}),
                                 with_id(wide_string{0xE000}))
                         .text),
              expected);
}

TEST(product_list_line, sale_end_only_when_on_sale) {
    const auto line_with = [](bool on_sale, std::int64_t sale_ends) {
        product_record p = gold();
        p.on_sale = on_sale;
        p.sale_ends = sale_ends;
        return products_of(std::move(p)).text;
    };
    EXPECT_NE(line_with(false, march_2027).find(R"("onSale":false,"saleEnds":null,)"), std::string::npos);
    EXPECT_NE(line_with(true, never).find(R"("onSale":true,"saleEnds":null,)"), std::string::npos);
}

TEST(product_list_line, the_same_records_in_any_order_give_the_same_bytes) {
    const auto a = [] { return gold(); };
    const auto b = [] { // the same Store ID twice: ordered by the whole entry
        product_record p = gold();
        p.title = make_hstring(WIDE("Silver"));
        return p;
    };
    const auto c = [] { return with_id(WIDE("9A")); };
    const auto d = [] { return with_id(WIDE("9Z")); };
    const std::string ordered = products_of(c(), a(), b(), d()).text;
    EXPECT_LT(ordered.find("Gold"), ordered.find("Silver"));
    EXPECT_EQ(products_of(a(), b(), c(), d()).text, ordered);
    EXPECT_EQ(products_of(d(), c(), b(), a()).text, ordered);
    EXPECT_EQ(products_of(b(), d(), c(), a()).text, ordered);
    EXPECT_EQ(products_of(a(), c(), b()).text, products_of(b(), a(), c()).text);
}

TEST(query_lines, exit_code_0_for_an_answer_and_1_for_a_failure) {
    EXPECT_EQ(license_of({}).exit_code, 0);
    EXPECT_EQ(products_of().exit_code, 0);
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
