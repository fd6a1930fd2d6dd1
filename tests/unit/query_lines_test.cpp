// The lines of the query commands: RFC 8259 escaping of every text, the order
// of members and entries, the date and duration rules, and the failure line.
#include "calls/store_calls.h"
#include "output/error_text.h"
#include "output/query_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

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
    p.price.price = make_hstring(WIDE("$1.99"));
    p.price.base_price = make_hstring(WIDE("$2.99"));
    p.price.currency = make_hstring(WIDE("USD"));
    p.price.on_sale = true;
    p.price.sale_ends = march_2027;
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
                                   R"("onSale":false,"saleEnds":null,"recurrencePrice":"","inCollection":false,"offerToken":"","skus":[]})";
    EXPECT_EQ(products_of(gold(), with_id(WIDE("\u00e9")), with_id(WIDE("9a")), with_id(WIDE("9B"))).text,
              R"({"status":"ok","products":[{"storeId":"9B",)" + empty_rest +
                  R"(,{"storeId":"9NBLGGH4TNMP","kind":"Durable","title":"Gold","description":"Line one\nLine two",)"
                  R"("price":"$1.99","basePrice":"$2.99","currency":"USD","onSale":true,"saleEnds":"2027-03-01T00:00:00Z",)"
                  R"("recurrencePrice":"","inCollection":false,"offerToken":"gold","skus":[]},{"storeId":"9a",)" +
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

// Long IDs that differ at every place, inside a word of four units and across
// words, by a plain unit, a surrogate pair or an unpaired surrogate, and IDs
// that are the start of another: the order is their UTF-8's.
TEST(store_id_order, long_ids_in_the_order_of_their_utf8) {
    const wide_string base = WIDE("9NBLGGH4TNMP/0010");
    std::vector<wide_string> ids = {base, base.substr(0, 4), base.substr(0, 5), base.substr(0, 8), base + WIDE("0")};
    for (std::size_t at = 0; at < base.size(); ++at)
        for (const wide_string& unit : {wide_string{0x41}, wide_string{0xFF21}, wide_string{0xD83D, 0xDE00},
                                        wide_string{0xD800}, wide_string{0xE000}})
            ids.push_back(base.substr(0, at) + unit + base.substr(at + 1));
    std::vector<wide_view> views(ids.begin(), ids.end());
    std::vector<std::string> expected;
    for (const wide_string& id : ids) expected.push_back(to_utf8(id));
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> ordered;
    for (const std::size_t index : store_id_order(views)) ordered.push_back(to_utf8(ids[index]));
    EXPECT_EQ(ordered, expected);
}

TEST(product_list_line, sale_end_only_when_on_sale) {
    const auto line_with = [](bool on_sale, std::int64_t sale_ends) {
        product_record p = gold();
        p.price.on_sale = on_sale;
        p.price.sale_ends = sale_ends;
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

namespace {

sku_record sku(wide_view store_id, wide_view title = WIDE("")) {
    sku_record s;
    s.store_id = make_hstring(store_id);
    s.title = make_hstring(title);
    return s;
}

// The product's SKUs in the order of their Store IDs, as the Store's reader hands them over.
template <class... Skus>
product_record product_with(Skus... skus) {
    product_record p = with_id(WIDE("9NBLGGH4TNMP"));
    std::vector<sku_record> records;
    (records.push_back(std::move(skus)), ...);
    std::vector<wide_view> ids;
    for (const sku_record& s : records) ids.push_back(view_of(s.store_id));
    for (const std::size_t index : store_id_order(ids)) p.skus.push_back(std::move(records[index]));
    return p;
}

std::string skus_in(const std::string& line) {
    const std::size_t start = line.find(R"("skus":)") + 7;
    return line.substr(start, line.rfind("]}]") + 1 - start);
}

} // namespace

TEST(product_list_line, sku_with_every_member) {
    sku_record s = sku(WIDE("9NBLGGH4TNMP/0010"), WIDE("Monthly"));
    s.description = make_hstring(WIDE("Line\tone"));
    s.subscription = true;
    s.price.price = make_hstring(WIDE("$4.99"));
    s.price.base_price = make_hstring(WIDE("$4.99"));
    s.price.currency = make_hstring(WIDE("USD"));
    s.price.recurrence_price = make_hstring(WIDE("$4.99"));
    s.subscription_info = subscription_record{1, 4, 7, 2};
    EXPECT_EQ(skus_in(products_of(product_with(std::move(s))).text),
              R"([{"storeId":"9NBLGGH4TNMP/0010","title":"Monthly","description":"Line\tone","trial":false,)"
              R"("subscription":true,"price":"$4.99","basePrice":"$4.99","currency":"USD","onSale":false,)"
              R"("saleEnds":null,"recurrencePrice":"$4.99","inCollection":false,"billingPeriod":1,)"
              R"("billingPeriodUnit":"month","trialPeriod":7,"trialPeriodUnit":"day","collection":null}])");
}

TEST(product_list_line, sku_subscription_terms_and_units) {
    const struct {
        std::optional<subscription_record> info;
        const char* members;
    } cases[] = {
        {std::nullopt, R"("billingPeriod":null,"billingPeriodUnit":null,"trialPeriod":null,"trialPeriodUnit":null)"},
        {subscription_record{0, 0, std::nullopt, 5},
         R"("billingPeriod":0,"billingPeriodUnit":"minute","trialPeriod":null,"trialPeriodUnit":null)"},
        {subscription_record{4294967295u, 1, 4294967295u, 3},
         R"("billingPeriod":4294967295,"billingPeriodUnit":"hour","trialPeriod":4294967295,"trialPeriodUnit":"week")"},
        {subscription_record{6, 5, 0, 6},
         R"("billingPeriod":6,"billingPeriodUnit":"year","trialPeriod":0,"trialPeriodUnit":"unknown")"},
        {subscription_record{1, -1, 1, std::numeric_limits<INT32>::min()},
         R"("billingPeriod":1,"billingPeriodUnit":"unknown","trialPeriod":1,"trialPeriodUnit":"unknown")"},
    };
    for (const auto& c : cases) {
        sku_record s = sku(WIDE("9NBLGGH4TNMP/0010"));
        s.subscription_info = c.info;
        const std::string line = products_of(product_with(std::move(s))).text;
        EXPECT_NE(line.find(std::string(R"("inCollection":false,)") + c.members + R"(,"collection":null})"),
                  std::string::npos)
            << line;
    }
}

TEST(product_list_line, sku_collection_data_with_the_licence_line_rules) {
    const struct {
        collection_record data;
        const char* object;
    } cases[] = {
        {{false, 0, 0, never, 90 * second},
         R"({"trial":false,"acquired":null,"start":null,"end":null,"trialSecondsLeft":0})"},
        {{true, march_2027, march_2027 + second - 1, 1, 90 * second + second - 1},
         R"({"trial":true,"acquired":"2027-03-01T00:00:00Z","start":"2027-03-01T00:00:00Z",)"
         R"("end":"1601-01-01T00:00:00Z","trialSecondsLeft":90})"},
        {{true, -1, std::numeric_limits<std::int64_t>::max(), 0, -second},
         R"({"trial":true,"acquired":"1600-12-31T23:59:59Z","start":null,"end":null,"trialSecondsLeft":0})"},
    };
    for (const auto& c : cases) {
        sku_record s = sku(WIDE("9NBLGGH4TNMP/0010"));
        s.collection = c.data;
        const std::string line = products_of(product_with(std::move(s))).text;
        EXPECT_NE(line.find(std::string(R"("collection":)") + c.object + "}]"), std::string::npos) << line;
    }
}

// SKUs sort as products do: by the UTF-8 of their Store IDs, equal IDs by the whole entry.
TEST(product_list_line, skus_sorted_by_store_id_whatever_order_they_come_in) {
    const auto ids = [](const std::string& skus) {
        std::string out;
        for (std::size_t at = skus.find(R"("storeId":")"); at != std::string::npos;
             at = skus.find(R"("storeId":")", at + 1))
            out += skus.substr(at + 11, skus.find('"', at + 11) - at - 11) + "|" +
                   skus.substr(skus.find(R"("title":")", at) + 9, 1) + " ";
        return out;
    };
    const std::string expected = "9N/0010|B 9N/0010|C 9N/0011|A 9N/\xc3\xa9|D ";
    EXPECT_EQ(ids(skus_in(products_of(product_with(sku(WIDE("9N/\u00e9"), WIDE("D")), sku(WIDE("9N/0010"), WIDE("C")),
                                                   sku(WIDE("9N/0011"), WIDE("A")), sku(WIDE("9N/0010"), WIDE("B"))))
                              .text)),
              expected);
    EXPECT_EQ(ids(skus_in(products_of(product_with(sku(WIDE("9N/0010"), WIDE("B")), sku(WIDE("9N/0011"), WIDE("A")),
                                                   sku(WIDE("9N/0010"), WIDE("C")), sku(WIDE("9N/\u00e9"), WIDE("D"))))
                              .text)),
              expected);
}

// A catalogue whose SKUs outgrow the room made for the products still gives whole, ordered entries.
TEST(product_list_line, many_long_skus_beside_ordered_products) {
    const wide_string long_title(5000, WIDE('x'));
    const auto many = [&](wide_view id) {
        product_record p = with_id(id);
        for (int i = 9; i >= 0; --i) p.skus.push_back(sku(wide_string(id) + WIDE("/000") + WIDE("0123456789")[i], long_title));
        std::reverse(p.skus.begin(), p.skus.end());
        return p;
    };
    const std::string line = products_of(many(WIDE("9B")), many(WIDE("9A"))).text;
    EXPECT_LT(line.find(R"("storeId":"9A")"), line.find(R"("storeId":"9B")"));
    EXPECT_LT(line.find(R"("storeId":"9A/0000")"), line.find(R"("storeId":"9A/0009")"));
    std::size_t titles = 0;
    for (std::size_t at = line.find(R"("title":"xxx)"); at != std::string::npos; at = line.find(R"("title":"xxx)", at + 1))
        ++titles;
    EXPECT_EQ(titles, 20u);
    EXPECT_EQ(line.substr(line.size() - 18), R"(}]}],"error":null})");
}

TEST(app_product_line, product_or_null) {
    EXPECT_EQ(app_product_line(std::nullopt).text, R"({"status":"ok","product":null,"error":null})");
    product_record p = gold();
    p.kind = make_hstring(WIDE("Application"));
    p.skus.push_back(sku(WIDE("9NBLGGH4TNMP/0010"), WIDE("Full")));
    const result_line line = app_product_line(std::move(p));
    EXPECT_EQ(line.text,
              R"({"status":"ok","product":{"storeId":"9NBLGGH4TNMP","kind":"Application","title":"Gold",)"
              R"("description":"Line one\nLine two","price":"$1.99","basePrice":"$2.99","currency":"USD","onSale":true,)"
              R"("saleEnds":"2027-03-01T00:00:00Z","recurrencePrice":"","inCollection":false,"offerToken":"gold",)"
              R"("skus":[{"storeId":"9NBLGGH4TNMP/0010","title":"Full","description":"","trial":false,)"
              R"("subscription":false,"price":"","basePrice":"","currency":"","onSale":false,"saleEnds":null,)"
              R"("recurrencePrice":"","inCollection":false,"billingPeriod":null,"billingPeriodUnit":null,)"
              R"("trialPeriod":null,"trialPeriodUnit":null,"collection":null}]},"error":null})");
    EXPECT_EQ(line.exit_code, 0);
}

TEST(customer_id_line, the_id_or_no_id) {
    const std::pair<result_line, std::pair<std::string, int>> cases[] = {
        {customer_id_line(WIDE("eyJ0eXAi.a\"b")), {R"({"status":"ok","id":"eyJ0eXAi.a\"b","error":null})", 0}},
        {customer_id_line(WIDE("")), {R"({"status":"error","code":null,"error":"no id"})", 1}},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(line.text, expected.first);
        EXPECT_EQ(line.exit_code, expected.second);
    }
}
