// The scenario keys of SKUs, the app's own product, the customer IDs and
// elevation: every field with its default, the SKUs each product gets, the
// generated ones, and the items refused by name.
#include "simstore/catalogue.h"
#include "simstore/scenario.h"
#include "simstore/store_fields.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string_view>
#include <string>

namespace {

using namespace simstore;

std::string utf8_of(wide_view text) {
    std::string out;
    for (const WCHAR unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// Every field of an SKU, so that a case also catches a value landing in the wrong field.
std::string describe(const catalogue_sku& sku) {
    std::ostringstream out;
    out << utf8_of(sku.store_id().view()) << '|' << utf8_of(sku.title().view()) << '|' << utf8_of(sku.description()) << " trial "
        << sku.trial() << " in-collection " << sku.in_collection() << " subscription " << sku.subscription();
    if (const auto price = sku.price())
        out << " price " << utf8_of(price->formatted()) << '|' << utf8_of(price->base()) << '|'
            << utf8_of(price->currency()) << '|' << price->on_sale() << '|' << price->sale_ends() << '|'
            << utf8_of(price->recurrence());
    else out << " noprice";
    if (const auto info = sku.subscription_info()) {
        out << " billing " << info->billing.period << ':' << info->billing.unit;
        if (info->trial) out << " trial-period " << info->trial->period << ':' << info->trial->unit;
    }
    if (const auto c = sku.collection())
        out << " collection " << c->trial << '|' << c->acquired << '|' << c->start << '|' << c->end << '|'
            << c->trial_left;
    return out.str();
}

std::string describe(const std::optional<std::vector<catalogue_sku>>& skus) {
    if (!skus) return "null";
    std::string out;
    for (const catalogue_sku& sku : *skus) out.append("[").append(describe(sku)).append("]");
    return out;
}

const scenario& parsed(const parsed_scenario& result) {
    if (const auto* error = std::get_if<scenario_error>(&result)) ADD_FAILURE() << error->message;
    static const scenario none;
    const auto* settings = std::get_if<scenario>(&result);
    return settings ? *settings : none;
}

constexpr std::string_view plain = " trial 0 in-collection 0 subscription 0 price |||0|0|";
constexpr std::string_view subscribed = " trial 0 in-collection 0 subscription 1 price |||0|0|";

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text += part;
    return text;
}

struct sku_case {
    const char* text;
    std::string skus; // of the first product, described
};

const sku_case sku_cases[] = {
    {"product=9P", ""},
    {"product=9P;sku=9P/0010", cat({"[9P/0010||", plain, "]"})},
    {"product=9P;sku=9P%2F1,title=Gold%2C%20monthly,description=D%0A,trial=true,price=$1,base-price=$2,currency=EUR,"
     "on-sale=true,sale-ends=never,recurrence-price=$1%2Fmo,in-collection=true",
     "[9P/1|Gold, monthly|D\n trial 1 in-collection 1 subscription 0 price $1|$2|EUR|1|2650466880000000000|$1/mo]"},
    {"product=9P;sku=9P/1,pricing=none", "[9P/1|| trial 0 in-collection 0 subscription 0 noprice]"},
    {"product=9P;sku=9P/1,billing=1:month", cat({"[9P/1||", subscribed, " billing 1:4]"})},
    {"product=9P;sku=9P/1,billing=4294967295:minute,trial-period=0:year",
     cat({"[9P/1||", subscribed, " billing 4294967295:0 trial-period 0:5]"})},
    {"product=9P;sku=9P/1,billing=2:hour,trial-period=3:day,subscription=false",
     cat({"[9P/1||", plain, " billing 2:1 trial-period 3:2]"})},
    {"product=9P;sku=9P/1,billing=1:week,trial-period=1:-1", cat({"[9P/1||", subscribed, " billing 1:3 trial-period 1:-1]"})},
    {"product=9P;sku=9P/1,billing=1:7,billing=1:year", cat({"[9P/1||", subscribed, " billing 1:5]"})},
    {"product=9P;sku=9P/1,subscription=true", cat({"[9P/1||", subscribed, "]"})},
    {"product=9P;sku=9P/1,trial-left=-1", cat({"[9P/1||", plain, " collection 0|0|0|0|-1]"})},
    {"product=9P;sku=9P/1,collection-trial=true,acquired=1,start=-2,end=never",
     cat({"[9P/1||", plain, " collection 1|1|-2|2650466880000000000|0]"})},
    // Only the text up to the first '/' names the product, in the order the items come.
    {"product=9P;sku=9P/2;sku=9PX/1;sku=9P;sku=9P/1/x;product=9PX;sku=9P/0",
     cat({"[9P/2||", plain, "][9P||", plain, "][9P/1/x||", plain, "][9P/0||", plain, "]"})},
    {"product=9P,skus=null;sku=9P/1;product=9P", "null"},
};

TEST(scenario_skus, each_product_has_the_skus_that_name_it_in_their_order) {
    for (const sku_case& row : sku_cases) {
        SCOPED_TRACE(row.text);
        const auto result = parse_scenario(row.text);
        const scenario& s = parsed(result);
        ASSERT_FALSE(s.products.empty());
        EXPECT_EQ(describe(catalogue_product(s, 0).skus()), row.skus);
    }
}

TEST(scenario_skus, the_app_product_takes_every_product_option_and_is_an_application_unless_told) {
    const auto none = parse_scenario("");
    EXPECT_FALSE(parsed(none).app_product);
    EXPECT_EQ(parsed(none).app_extended_error, S_OK);

    const auto result = parse_scenario("sku=9A/1;app-product=9A,title=App,pricing=none,in-collection=true,token=t;"
                                       "app-extended-error=0x803F6107");
    const scenario& s = parsed(result);
    ASSERT_TRUE(s.app_product);
    EXPECT_TRUE(s.products.empty());
    const catalogue_product app(s, *s.app_product);
    EXPECT_EQ(app.store_id().view(), WIDE("9A"));
    EXPECT_EQ(app.kind().view(), WIDE("Application"));
    EXPECT_EQ(app.title().view(), WIDE("App"));
    EXPECT_FALSE(app.price());
    EXPECT_TRUE(app.in_collection());
    EXPECT_EQ(app.offer_token().view(), WIDE("t"));
    EXPECT_EQ(describe(app.skus()), cat({"[9A/1||", plain, "]"}));
    EXPECT_EQ(s.app_extended_error, static_cast<HRESULT>(0x803F6107));

    const auto game = parse_scenario("app-product=9A,kind=Game,skus=null;app-extended-error=S_FALSE");
    ASSERT_TRUE(parsed(game).app_product);
    EXPECT_EQ(catalogue_product(parsed(game), *parsed(game).app_product).kind().view(), WIDE("Game"));
    EXPECT_EQ(describe(catalogue_product(parsed(game), *parsed(game).app_product).skus()), "null");
    EXPECT_EQ(parsed(game).app_extended_error, S_FALSE);
}

TEST(scenario_skus, customer_id_and_elevation) {
    const auto defaults = parse_scenario("");
    EXPECT_EQ(parsed(defaults).customer_id, WIDE("simulated-id"));
    EXPECT_FALSE(parsed(defaults).elevated);
    const auto set = parse_scenario("customer-id=a%3Bb%0D%1A%C3%A9;elevated=true");
    EXPECT_EQ(parsed(set).customer_id, WIDE("a;b\r\x1A\u00e9"));
    EXPECT_TRUE(parsed(set).elevated);
    const auto empty = parse_scenario("elevated=true;customer-id=;elevated=false");
    EXPECT_EQ(parsed(empty).customer_id, WIDE(""));
    EXPECT_FALSE(parsed(empty).elevated);
}

// Every object and field the new reads add, by the name fail= gives it.
TEST(scenario_skus, fail_names_every_field_of_skus_and_the_app_product) {
    for (const field_names& names : store_field_names) {
        if (names.field < store_field::product_skus) continue;
        const std::string field = std::string(names.object) + "." + std::string(names.getter.substr(4));
        SCOPED_TRACE(field);
        const auto result = parse_scenario("fail=" + field + ":E_BOUNDS");
        const scenario& s = parsed(result);
        for (std::size_t i = 0; i < s.field_failures.size(); ++i)
            EXPECT_EQ(s.field_failures[i], i == static_cast<std::size_t>(names.field) ? E_BOUNDS : S_OK) << i;
    }
}

// A few SKUs each, made up as read and the same every time: a plain one, and
// for some products subscriptions, with a trial or with collection data.
TEST(scenario_skus, generated_products_have_skus_of_every_shape) {
    const auto result = parse_scenario("product=9X;generate-products=6:0");
    const scenario& s = parsed(result);
    ASSERT_EQ(product_count(s), 7u);
    EXPECT_EQ(describe(catalogue_product(s, 0).skus()), "");
    int subscriptions = 0, trials = 0, collected = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const catalogue_product product(s, i);
        const auto skus = product.skus();
        ASSERT_TRUE(skus);
        ASSERT_FALSE(skus->empty());
        EXPECT_EQ(describe(skus), describe(catalogue_product(s, i).skus()));
        EXPECT_EQ(skus->front().store_id().view(), wide_string(product.store_id().view()) + WIDE("/0010"));
        EXPECT_FALSE(skus->front().subscription());
        for (const catalogue_sku& sku : *skus) {
            EXPECT_EQ(sku_product_id(sku.store_id().view()), product.store_id().view());
            EXPECT_EQ(sku.subscription(), sku.subscription_info().has_value());
            subscriptions += sku.subscription();
            const auto info = sku.subscription_info();
            trials += info && info->trial;
            collected += sku.collection().has_value();
        }
    }
    EXPECT_EQ(subscriptions, 6);
    EXPECT_EQ(trials, 2);
    EXPECT_EQ(collected, 2);
}

// The three shapes by product number: generated products come in reverse
// order, so places 0, 1 and 2 of three hold products 3, 2 and 1.
const sku_case generated_sku_cases[] = {
    {"3", "[9P0000000003/0010|Generated product 3| trial 0 in-collection 0 subscription 0 price $1.99|$2.99|USD|0|"
          "134434944000000000|]"},
    {"2", "[9P0000000002/0010|Generated product 2| trial 0 in-collection 0 subscription 0 price $1.99|$2.99|USD|1|"
          "134434080000000000|]"
          "[9P0000000002/0020|Generated product 2, monthly| trial 0 in-collection 0 subscription 1 price "
          "$1.99|$2.99|USD|1|134434080000000000|$0.99/month billing 1:4 trial-period 1:3]"
          "[9P0000000002/0030|Generated product 2, yearly| trial 0 in-collection 1 subscription 1 price "
          "$1.99|$2.99|USD|1|134434080000000000|$9.99/year billing 1:5 collection "
          "0|134434080000000000|134434080000000000|134749440000000000|0]"},
    {"1", "[9P0000000001/0010|Generated product 1| trial 0 in-collection 0 subscription 0 price $1.99|$2.99|USD|0|"
          "134433216000000000|]"
          "[9P0000000001/0020|Generated product 1, monthly| trial 0 in-collection 0 subscription 1 price "
          "$1.99|$2.99|USD|0|134433216000000000|$0.99/month billing 1:4]"},
};

TEST(scenario_skus, generated_skus_are_priced_as_their_product_with_their_own_terms) {
    const auto result = parse_scenario("generate-products=3:0");
    const scenario& s = parsed(result);
    for (std::size_t i = 0; i < std::size(generated_sku_cases); ++i) {
        SCOPED_TRACE(generated_sku_cases[i].text);
        EXPECT_EQ(describe(catalogue_product(s, i).skus()), generated_sku_cases[i].skus);
    }
}

struct bad_case {
    const char* text;
    const char* item;
    std::string problem;
};

const std::string sku_expected = "expected SKU_STORE_ID[,FIELD=VALUE...], trial-period only with billing";
const std::string missing = std::string(missing_sku_product);

const bad_case bad_cases[] = {
    {"product=9P;sku=9P/1,trial-period=1:day", "sku=9P/1,trial-period=1:day", sku_expected},
    {"product=9P;sku=9P/1,billing=4294967296:day", "sku=9P/1,billing=4294967296:day", sku_expected},
    {"product=9P;sku=9P/1,billing=-1:day", "sku=9P/1,billing=-1:day", sku_expected},
    {"product=9P;sku=9P/1,billing=1:fortnight", "sku=9P/1,billing=1:fortnight", sku_expected},
    {"product=9P;sku=9P/1,billing=1:Month", "sku=9P/1,billing=1:Month", sku_expected},
    {"product=9P;sku=9P/1,billing=1", "sku=9P/1,billing=1", sku_expected},
    {"product=9P;sku=9P/1,billing=1:day:2", "sku=9P/1,billing=1:day:2", sku_expected},
    {"product=9P;sku=9P/1,billing=1:2147483648", "sku=9P/1,billing=1:2147483648", sku_expected},
    {"product=9P;sku=9P/1,acquired=soon", "sku=9P/1,acquired=soon", sku_expected},
    {"product=9P;sku=9P/1,trial-left=never", "sku=9P/1,trial-left=never", sku_expected},
    {"product=9P;sku=9P/1,kind=Durable", "sku=9P/1,kind=Durable", sku_expected},
    {"product=9P;sku=9P/1,subscription=1", "sku=9P/1,subscription=1", sku_expected},
    {"product=9P;sku=9P/%zz", "sku=9P/%zz", sku_expected},
    {"product=9P,skus=none", "product=9P,skus=none", "expected ID[,FIELD=VALUE...]"},
    {"app-product=9A,colour=red", "app-product=9A,colour=red", "expected ID[,FIELD=VALUE...]"},
    {"app-extended-error=1", "app-extended-error=1", "expected an HRESULT, 0, S_OK or S_FALSE"},
    {"customer-id=%4", "customer-id=%4", "expected percent-encoded text"},
    {"elevated=yes", "elevated=yes", "expected true or false"},
    {"fail=Sku.Kind:E_FAIL", "fail=Sku.Kind:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=SubscriptionInfo.IsTrial:E_FAIL", "fail=SubscriptionInfo.IsTrial:E_FAIL", "expected Object.Field:HRESULT"},
    {"fail=CollectionData.CampaignId:E_FAIL", "fail=CollectionData.CampaignId:E_FAIL", "expected Object.Field:HRESULT"},
    // Whose product is in no product or app-product item, wherever the items stand.
    {"sku=9P/1", "sku=9P/1", missing},
    {"product=9P;sku=9Q/1;product=9Q%2F1", "sku=9Q/1", missing},
    {"app-product=9A;sku=9A/1;sku=9B/1;app-product=9B", "sku=9A/1", missing},
    {"product=9p;sku=9P/1", "sku=9P/1", missing},
    {"generate-products=1;sku=9P0000000001/1", "sku=9P0000000001/1", missing},
    // A malformed item is named before an SKU without a product, wherever it stands.
    {"sku=9P/1;product=9P,on-sale=1", "product=9P,on-sale=1", "expected ID[,FIELD=VALUE...]"},
};

TEST(scenario_skus, refuses_bad_items_by_name) {
    for (const bad_case& row : bad_cases) {
        SCOPED_TRACE(row.text);
        const auto result = parse_scenario(row.text);
        const auto* error = std::get_if<scenario_error>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->message, std::string("bad scenario item \"") + row.item + "\": " + row.problem);
    }
}

} // namespace
