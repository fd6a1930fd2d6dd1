// The query calls and the readers of every field, against the simulated Store
// as scenarios set it up: what reaches the lines, what a null object gives, and
// that every failing read raises its own platform failure.
#include "calls/consumable_calls.h"
#include "calls/store_queries.h"
#include "calls/string_iterable.h"
#include "output/error_text.h"
#include "output/query_lines.h"
#include "simstore/store_fields.h"
#include "calls/update_calls.h"
#include "simulated_context.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr HRESULT access_denied_code = static_cast<HRESULT>(0x80070005);

// Completed at creation ("after=now" is added), so the results are there at once.
template <class Operation>
com_ptr<typename Operation::result_type> results_of(Operation* operation) {
    com_ptr<typename Operation::result_type> result;
    EXPECT_TRUE(operation);
    if (operation) {
        EXPECT_EQ(operation->GetResults(result.put()), S_OK);
    }
    return result;
}

com_ptr<winabi::IStoreAppLicense> license_for(const std::string& scenario, const std::filesystem::path& trace = {}) {
    const auto context = context_for("after=now;" + scenario, trace);
    return context ? results_of(request_app_license(context.get()).get()) : nullptr;
}

com_ptr<winabi::IStoreProductQueryResult> products_for(const std::string& scenario, std::vector<wide_string> kinds,
                                                       bool collection = false,
                                                       const std::filesystem::path& trace = {}) {
    const auto context = context_for("after=now;" + scenario, trace);
    if (!context) return nullptr;
    const auto iterable = make_string_iterable(std::move(kinds));
    const auto operation = collection ? request_user_collection(context.get(), iterable.get())
                                      : request_associated_products(context.get(), iterable.get());
    return results_of(operation.get());
}

com_ptr<winabi::IStoreConsumableResult> consumable_for(const std::string& scenario) {
    const auto context = context_for("after=now;" + scenario);
    return context ? results_of(request_consumable_balance(context.get(), WIDE("9NBLGGH4TNMP")).get()) : nullptr;
}

// The check for updates, read whole: the updates and whether the Store may download them silently.
void read_updates_for(const std::string& scenario) {
    const auto context = context_for("after=now;" + scenario);
    ASSERT_TRUE(context);
    const auto updates = results_of(request_app_updates(context.get()).get());
    ASSERT_TRUE(updates);
    read_app_updates(updates.get());
    can_silently_download(context.get());
}

// The update of what the check found, its result read whole. The Store reads
// the updates it is handed itself: a failing read of theirs fails the call,
// which the check's own reads above already count.
void read_update_for(const std::string& scenario) {
    const auto context = context_for("after=now;" + scenario);
    ASSERT_TRUE(context);
    const auto updates = results_of(request_app_updates(context.get()).get());
    ASSERT_TRUE(updates);
    com_ptr<winabi::IPackageUpdateOperation> operation;
    try {
        operation = request_update(context.get(), updates_as_iterable(updates.get()).get(), false);
    } catch (const platform_failure&) {
        return;
    }
    const auto result = results_of(operation.get());
    ASSERT_TRUE(result);
    read_update_result(result.get());
}

std::string products_line(const std::string& scenario, std::vector<wide_string> kinds, bool collection = false) {
    const auto result = products_for(scenario, std::move(kinds), collection);
    return result ? read_products(result.get()).text : "no result";
}

const std::vector<wide_string> every_kind = {WIDE("Durable"), WIDE("Consumable"), WIDE("UnmanagedConsumable"),
                                             WIDE("Game")};

// One of everything: a licence with an add-on, a product on sale with every
// field and a subscription SKU with a trial, owned in one, the app's own
// product with the same.
const std::string catalogue =
    "app-sku=9NBLGGH4R315/0010;add-on=9NBLGGH4TNMP/0010,token=gold;"
    "product=9NBLGGH4TNMP,title=Gold,price=$1.99,on-sale=true,sale-ends=134483328000000000,in-collection=true;"
    "app-product=9NBLGGH4R315,price=$9.99,on-sale=true,sale-ends=134483328000000000;"
    "sku=9NBLGGH4TNMP/0010,billing=1:month,trial-period=1:week,acquired=1,collection-trial=true;"
    "sku=9NBLGGH4R315/0010,billing=1:month,trial-period=1:week,acquired=1,collection-trial=true;"
    "package-update=Contoso.Notes_8wekyb3d8bbwe,version=1.4.2.0,mandatory=true";

com_ptr<winabi::IStoreProductResult> app_product_for(const std::string& scenario) {
    const auto context = context_for("after=now;" + scenario);
    return context ? results_of(request_app_product(context.get()).get()) : nullptr;
}

} // namespace

TEST(store_queries, license_with_every_field_and_add_ons_in_any_number) {
    const auto license = license_for(
        "app-active=false;app-trial=true;app-trial-owned=true;app-trial-left=36000000000;"
        "app-expires=134483328000000000;app-sku=9NBLGGH4R315%2F0010;app-trial-id=T%C3%A9%22%0A;"
        "add-on=9ZZ/0011,active=false,expires=never,token=z%2C1;add-on=9AA,key=9AA%2F0010;"
        "add-on=9ZZ/0010,expires=1;generate-add-ons=2");
    ASSERT_TRUE(license);
    EXPECT_EQ(read_app_license(license.get()).text,
              R"({"status":"ok","active":false,"trial":true,"trialOwned":true,"trialSecondsLeft":3600,)"
              R"("expires":"2027-03-01T00:00:00Z","sku":"9NBLGGH4R315/0010","trialId":"T)"
              "\xC3\xA9"
              R"(\"\n","addOns":[)"
              R"({"storeId":"9AA","sku":"9AA","active":true,"expires":null,"offerToken":""},)"
              R"({"storeId":"9Q0000000001","sku":"9Q0000000001/0010","active":true,"expires":"2027-01-02T00:00:00Z","offerToken":"token-1"},)"
              R"({"storeId":"9Q0000000002","sku":"9Q0000000002/0010","active":true,"expires":"2027-01-03T00:00:00Z","offerToken":"token-2"},)"
              R"({"storeId":"9ZZ","sku":"9ZZ/0010","active":true,"expires":"1601-01-01T00:00:00Z","offerToken":""},)"
              R"({"storeId":"9ZZ","sku":"9ZZ/0011","active":false,"expires":null,"offerToken":"z,1"}],"error":null})");
}

TEST(store_queries, null_add_on_map_is_no_add_ons) {
    const auto license = license_for("add-on=9AA;add-on-map=null");
    ASSERT_TRUE(license);
    EXPECT_NE(read_app_license(license.get()).text.find(R"("addOns":[],)"), std::string::npos);
}

TEST(store_queries, products_of_the_kinds_asked_for_and_the_collection_of_owned_ones) {
    const std::string three = "product=9C,kind=Consumable,in-collection=true;product=9G,kind=Game;"
                              "product=9D,in-collection=true,pricing=none";
    const std::string empty_price = R"("price":"","basePrice":"","currency":"","onSale":false,"saleEnds":null,)"
                                    R"("recurrencePrice":"",)";
    const std::string durable = R"({"storeId":"9D","kind":"Durable","title":"","description":"",)" + empty_price +
                                R"("inCollection":true,"offerToken":"","skus":[]})";
    const std::string game = R"({"storeId":"9G","kind":"Game","title":"","description":"",)" + empty_price +
                             R"("inCollection":false,"offerToken":"","skus":[]})";
    EXPECT_EQ(products_line(three, {WIDE("Game"), WIDE("Durable")}),
              R"({"status":"ok","products":[)" + durable + "," + game + R"(],"error":null})");
    EXPECT_EQ(products_line(three, {WIDE("Game"), WIDE("Durable")}, true),
              R"({"status":"ok","products":[)" + durable + R"(],"error":null})");
    EXPECT_EQ(products_line(three, {WIDE("durable")}), R"({"status":"ok","products":[],"error":null})");
    EXPECT_EQ(products_line("product-map=null;" + three, every_kind), R"({"status":"ok","products":[],"error":null})");
}

TEST(store_queries, every_product_field_with_percent_encoded_text) {
    EXPECT_EQ(products_line("product=9NBLGGH4TNMP,title=Gold,description=Line%20one%0ALine%20two,price=$1.99,"
                            "base-price=$2.99,currency=USD,on-sale=true,sale-ends=133537247990000000,"
                            "recurrence-price=$0.99%2Fmo,in-collection=true,token=gold%00x",
                            every_kind),
              R"({"status":"ok","products":[{"storeId":"9NBLGGH4TNMP","kind":"Durable","title":"Gold",)"
              R"("description":"Line one\nLine two","price":"$1.99","basePrice":"$2.99","currency":"USD",)"
              R"("onSale":true,"saleEnds":"2024-02-29T23:59:59Z","recurrencePrice":"$0.99/mo","inCollection":true,)"
              R"("offerToken":"gold\u0000x","skus":[]}],"error":null})");
}

TEST(store_queries, sale_end_is_read_only_for_an_item_on_sale) {
    // Reading it would fail: the product is not on sale, so it is never read.
    const auto result = products_for("fail=Price.SaleEndDate:E_FAIL;product=9A,on-sale=false,sale-ends=5", every_kind);
    ASSERT_TRUE(result);
    EXPECT_NE(read_products(result.get()).text.find(R"("onSale":false,"saleEnds":null,)"), std::string::npos);
}

TEST(store_queries, a_failing_extended_error_is_raised_before_the_products_are_read) {
    const trace_file trace;
    const auto result = products_for("extended-error=0x803F6107;" + catalogue, every_kind, false, trace.path());
    ASSERT_TRUE(result);
    try {
        read_products(result.get());
        ADD_FAILURE() << "no failure raised";
    } catch (const platform_failure& failure) {
        EXPECT_EQ(failure.code(), static_cast<HRESULT>(0x803F6107));
    }
    const auto lines = trace.lines();
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.find("get_Products") != std::string::npos; }));

    const auto success = products_for("extended-error=S_FALSE;" + catalogue, every_kind);
    ASSERT_TRUE(success);
    EXPECT_NE(read_products(success.get()).text.find(R"("storeId":"9NBLGGH4TNMP")"), std::string::npos);
}

// Every field the bridge reads fails once, alone: exactly the query that reads
// it raises exactly that failure, with the words its error information gives.
TEST(store_queries, a_failing_read_of_any_single_field_raises_its_failure) {
    for (const simstore::field_names& names : simstore::store_field_names) {
        const std::string field = std::string(names.object) + "." + std::string(names.getter.substr(4));
        const std::string scenario =
            catalogue + ";restricted=" + field + "%20refused;fail=" + field + ":E_ACCESSDENIED";
        int failures = 0;
        const auto expect_failure = [&](auto read) {
            try {
                read();
            } catch (const platform_failure& failure) {
                ++failures;
                EXPECT_EQ(failure.code(), access_denied_code) << field;
                EXPECT_EQ(to_utf8(platform_failure_message(failure)), field + " refused");
            }
        };
        expect_failure([&] {
            const auto license = license_for(scenario);
            ASSERT_TRUE(license);
            read_app_license(license.get());
        });
        expect_failure([&] {
            const auto result = products_for(scenario, every_kind);
            ASSERT_TRUE(result);
            read_products(result.get());
        });
        expect_failure([&] {
            const auto result = consumable_for(scenario);
            ASSERT_TRUE(result);
            read_consumable_result(result.get());
        });
        expect_failure([&] {
            read_updates_for(scenario);
            read_update_for(scenario);
        });
        expect_failure([&] {
            const auto result = app_product_for(scenario);
            ASSERT_TRUE(result);
            read_app_product(result.get());
        });
        // A product's own fields are read by both "products" and "app".
        const std::string_view object = names.object;
        const bool any_product = object == "Product" || object == "Price" || object == "Sku" ||
                                 object == "SubscriptionInfo" || object == "CollectionData";
        EXPECT_EQ(failures, any_product ? 2 : 1) << field;
    }
}

TEST(store_queries, the_store_receives_the_kinds_in_order_through_an_agile_iterable) {
    const trace_file trace;
    products_for("", {WIDE("Durable"), WIDE("G\u00e4me"), WIDE("Durable")}, false, trace.path());
    products_for("", {WIDE("Consumable")}, true, trace.path());
    const auto lines = trace.lines();
    const auto with = [&](std::string_view call) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(call) != std::string::npos; });
    };
    ASSERT_NE(with("GetAssociatedStoreProductsAsync"), lines.end());
    EXPECT_EQ(*with("GetAssociatedStoreProductsAsync"),
              R"({"call":"GetAssociatedStoreProductsAsync","object":"context","thread":"main","via":"IStoreContext",)"
              R"("kinds":["Durable","G)"
              "\xC3\xA4"
              R"(me","Durable"],"kindsAgile":true})");
    ASSERT_NE(with("GetUserCollectionAsync"), lines.end());
    EXPECT_EQ(*with("GetUserCollectionAsync"),
              R"({"call":"GetUserCollectionAsync","object":"context","thread":"main","via":"IStoreContext",)"
              R"("kinds":["Consumable"],"kindsAgile":true})");
}
