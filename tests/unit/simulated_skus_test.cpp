// The simulated Store's SKUs, the app's own product and the customer IDs,
// driven directly: every field of an SKU and of what hangs from it, the view
// they come in, each failing read, the string operation, and the trace.
#include "abi/store_query_abi.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "simstore/store_fields.h"
#include "simulated_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sku_view = winabi::IVectorView<winabi::IStoreSku*>;

std::string text_of(HSTRING text) {
    std::string out;
    for (const WCHAR unit : view_of(text)) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

com_ptr<winabi::IProductOperation> request_app_product(winabi::IStoreContext* context) {
    com_ptr<winabi::IProductOperation> operation;
    EXPECT_EQ(context->GetStoreProductForCurrentAppAsync(operation.put()), S_OK);
    return operation;
}

// Completed at creation ("after=now" is added), so the result is there at once.
com_ptr<winabi::IStoreProductResult> app_result_for(const std::string& scenario,
                                                    const std::filesystem::path& trace = {}) {
    com_ptr<winabi::IStoreProductResult> result;
    const auto context = context_for("after=now;" + scenario, trace);
    if (!context) return result;
    if (const auto operation = request_app_product(context.get())) {
        EXPECT_EQ(operation->GetResults(result.put()), S_OK);
    }
    return result;
}

com_ptr<winabi::IStoreProduct> app_product_for(const std::string& scenario, const std::filesystem::path& trace = {}) {
    com_ptr<winabi::IStoreProduct> product;
    if (const auto result = app_result_for(scenario, trace)) {
        EXPECT_EQ(result->get_Product(product.put()), S_OK);
    }
    return product;
}

std::string unit_of(winabi::StoreDurationUnit unit) { return std::to_string(static_cast<INT32>(unit)); }

// Every simulated field of an SKU and of its price, subscription terms and collection data.
std::string describe(winabi::IStoreSku* sku) {
    std::ostringstream out;
    unique_hstring id, title, description;
    boolean trial = 7, in_collection = 7, subscription = 7;
    com_ptr<winabi::IStorePrice> price;
    com_ptr<winabi::IStoreSubscriptionInfo> info;
    com_ptr<winabi::IStoreCollectionData> collection;
    EXPECT_EQ(sku->get_StoreId(id.put()), S_OK);
    EXPECT_EQ(sku->get_Title(title.put()), S_OK);
    EXPECT_EQ(sku->get_Description(description.put()), S_OK);
    EXPECT_EQ(sku->get_IsTrial(&trial), S_OK);
    EXPECT_EQ(sku->get_IsInUserCollection(&in_collection), S_OK);
    EXPECT_EQ(sku->get_IsSubscription(&subscription), S_OK);
    EXPECT_EQ(sku->get_Price(price.put()), S_OK);
    EXPECT_EQ(sku->get_SubscriptionInfo(info.put()), S_OK);
    EXPECT_EQ(sku->get_CollectionData(collection.put()), S_OK);
    out << text_of(id.get()) << '|' << text_of(title.get()) << '|' << text_of(description.get()) << " trial "
        << int{trial} << " in-collection " << int{in_collection} << " subscription " << int{subscription};
    if (price) {
        unique_hstring formatted, recurrence;
        EXPECT_EQ(price->get_FormattedPrice(formatted.put()), S_OK);
        EXPECT_EQ(price->get_FormattedRecurrencePrice(recurrence.put()), S_OK);
        out << " price " << text_of(formatted.get()) << '|' << text_of(recurrence.get());
    }
    if (info) {
        UINT32 billing = 7, trial_period = 7;
        auto billing_unit = static_cast<winabi::StoreDurationUnit>(9), trial_unit = billing_unit;
        boolean has_trial = 7;
        EXPECT_EQ(info->get_BillingPeriod(&billing), S_OK);
        EXPECT_EQ(info->get_BillingPeriodUnit(&billing_unit), S_OK);
        EXPECT_EQ(info->get_HasTrialPeriod(&has_trial), S_OK);
        EXPECT_EQ(info->get_TrialPeriod(&trial_period), S_OK);
        EXPECT_EQ(info->get_TrialPeriodUnit(&trial_unit), S_OK);
        out << " billing " << billing << ':' << unit_of(billing_unit) << " has-trial " << int{has_trial} << ' '
            << trial_period << ':' << unit_of(trial_unit);
    }
    if (collection) {
        boolean collection_trial = 7;
        winabi::DateTime acquired{7}, start{7}, end{7};
        winabi::TimeSpan left{7};
        unique_hstring campaign = make_hstring(WIDE("x")), offer = make_hstring(WIDE("x")),
                       json = make_hstring(WIDE("x"));
        EXPECT_EQ(collection->get_IsTrial(&collection_trial), S_OK);
        EXPECT_EQ(collection->get_AcquiredDate(&acquired), S_OK);
        EXPECT_EQ(collection->get_StartDate(&start), S_OK);
        EXPECT_EQ(collection->get_EndDate(&end), S_OK);
        EXPECT_EQ(collection->get_TrialTimeRemaining(&left), S_OK);
        EXPECT_EQ(collection->get_CampaignId(campaign.put()), S_OK);
        EXPECT_EQ(collection->get_DeveloperOfferId(offer.put()), S_OK);
        EXPECT_EQ(collection->get_ExtendedJsonData(json.put()), S_OK);
        out << " collection " << int{collection_trial} << '|' << acquired.UniversalTime << '|' << start.UniversalTime
            << '|' << end.UniversalTime << '|' << left.Duration << '|' << text_of(campaign.get())
            << text_of(offer.get()) << text_of(json.get());
    }
    return out.str();
}

// The SKUs of a product in the view's order, each in brackets; "null" for no view.
std::string describe_skus(winabi::IStoreProduct* product) {
    com_ptr<sku_view> view;
    EXPECT_EQ(product->get_Skus(view.put()), S_OK);
    if (!view) return "null";
    UINT32 size = 99;
    EXPECT_EQ(view->get_Size(&size), S_OK);
    std::string out;
    for (UINT32 i = 0; i < size; ++i) {
        com_ptr<winabi::IStoreSku> sku;
        EXPECT_EQ(view->GetAt(i, sku.put()), S_OK);
        out.append("[").append(sku ? describe(sku.get()) : "no sku").append("]");
    }
    return out;
}

struct sku_case {
    const char* scenario;
    const char* skus;
};

const sku_case sku_cases[] = {
    {"app-product=9A", ""},
    {"app-product=9A,skus=null;sku=9A/1", "null"},
    {"sku=9A/2,title=Gold%2C%20monthly,description=D%0A,trial=true,price=$1,recurrence-price=$1%2Fmo,"
     "in-collection=true;app-product=9A;sku=9A/1,pricing=none;sku=9B/1;product=9B",
     "[9A/2|Gold, monthly|D\n trial 1 in-collection 1 subscription 0 price $1|$1/mo]"
     "[9A/1|| trial 0 in-collection 0 subscription 0]"},
    // Subscription terms: without a trial period, 0 minutes of none.
    {"app-product=9A;sku=9A/1,billing=1:month",
     "[9A/1|| trial 0 in-collection 0 subscription 1 price | billing 1:4 has-trial 0 0:0]"},
    {"app-product=9A;sku=9A/1,billing=4294967295:year,trial-period=7:day,subscription=false",
     "[9A/1|| trial 0 in-collection 0 subscription 0 price | billing 4294967295:5 has-trial 1 7:2]"},
    {"app-product=9A;sku=9A/1,billing=0:-1,trial-period=2:7",
     "[9A/1|| trial 0 in-collection 0 subscription 1 price | billing 0:-1 has-trial 1 2:7]"},
    {"app-product=9A;sku=9A/1,subscription=true", "[9A/1|| trial 0 in-collection 0 subscription 1 price |]"},
    // Collection data: any one of its fields gives it, the others 0, its texts empty.
    {"app-product=9A;sku=9A/1,end=-1",
     "[9A/1|| trial 0 in-collection 0 subscription 0 price | collection 0|0|0|-1|0|]"},
    {"app-product=9A;sku=9A/1,collection-trial=true,acquired=1,start=2,end=never,trial-left=-9223372036854775808",
     "[9A/1|| trial 0 in-collection 0 subscription 0 price | collection "
     "1|1|2|2650466880000000000|-9223372036854775808|]"},
};

TEST(simulated_skus, the_app_product_lists_its_skus_with_every_field) {
    for (const sku_case& row : sku_cases) {
        SCOPED_TRACE(row.scenario);
        const auto product = app_product_for(row.scenario);
        ASSERT_TRUE(product);
        EXPECT_EQ(describe_skus(product.get()), row.skus);
    }
}

TEST(simulated_skus, the_view_is_its_own_iterable_over_the_same_skus) {
    const auto product = app_product_for("app-product=9A;sku=9A/1;sku=9A/2;sku=9A/3");
    ASSERT_TRUE(product);
    com_ptr<sku_view> view;
    ASSERT_EQ(product->get_Skus(view.put()), S_OK);
    ASSERT_TRUE(view);
    com_ptr<winabi::IIterable<winabi::IStoreSku*>> iterable;
    ASSERT_EQ(query(view.get(), winabi::IIterable<winabi::IStoreSku*>::iid, iterable), S_OK);
    com_ptr<winabi::IIterator<winabi::IStoreSku*>> iterator;
    ASSERT_EQ(iterable->First(iterator.put()), S_OK);
    for (UINT32 i = 0;; ++i) {
        boolean has_current = false;
        ASSERT_EQ(iterator->get_HasCurrent(&has_current), S_OK);
        if (!has_current) {
            EXPECT_EQ(i, 3u);
            break;
        }
        com_ptr<winabi::IStoreSku> current, at;
        ASSERT_EQ(iterator->get_Current(current.put()), S_OK);
        ASSERT_EQ(view->GetAt(i, at.put()), S_OK);
        EXPECT_EQ(current.get(), at.get());
        ASSERT_EQ(iterator->MoveNext(&has_current), S_OK);
    }
}

struct result_case {
    const char* scenario;
    const char* product; // its Store ID and kind, or "null"
    HRESULT extended_error;
};

const result_case result_cases[] = {
    {"", "null", S_OK},
    {"app-product=9A%2Fx", "9A/x Application", S_OK},
    {"app-product=9A,kind=Game;app-extended-error=0x803F6107", "9A Game", static_cast<HRESULT>(0x803F6107)},
    {"app-extended-error=S_FALSE;product=9P", "null", S_FALSE},
};

TEST(simulated_app_product, the_result_holds_the_scenarios_product_and_extended_error) {
    for (const result_case& row : result_cases) {
        SCOPED_TRACE(row.scenario);
        const auto result = app_result_for(row.scenario);
        ASSERT_TRUE(result);
        com_ptr<winabi::IStoreProduct> product;
        ASSERT_EQ(result->get_Product(product.put()), S_OK);
        std::string described = "null";
        if (product) {
            unique_hstring id, kind;
            EXPECT_EQ(product->get_StoreId(id.put()), S_OK);
            EXPECT_EQ(product->get_ProductKind(kind.put()), S_OK);
            described = text_of(id.get()) + " " + text_of(kind.get());
        }
        EXPECT_EQ(described, row.product);
        HRESULT extended = 7;
        EXPECT_EQ(result->get_ExtendedError(&extended), S_OK);
        EXPECT_EQ(extended, row.extended_error);
    }
}

TEST(simulated_app_product, the_usual_request_keys_act_on_the_call) {
    const auto none = context_for("request=none;app-product=9A");
    ASSERT_TRUE(none);
    com_ptr<winabi::IProductOperation> operation;
    EXPECT_EQ(none->GetStoreProductForCurrentAppAsync(operation.put()), S_OK);
    EXPECT_FALSE(operation);

    const auto refused = context_for("request=E_ACCESSDENIED;app-product=9A");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->GetStoreProductForCurrentAppAsync(operation.put()), E_ACCESSDENIED);
    EXPECT_FALSE(operation);

    for (const auto& [scenario, expected] : {std::pair{"after=now;results=null;app-product=9A", S_OK},
                                             std::pair{"after=now;results=E_FAIL;app-product=9A", E_FAIL}}) {
        SCOPED_TRACE(scenario);
        const auto context = context_for(scenario);
        ASSERT_TRUE(context);
        const auto pending = request_app_product(context.get());
        ASSERT_TRUE(pending);
        com_ptr<winabi::IStoreProductResult> result;
        EXPECT_EQ(pending->GetResults(result.put()), expected);
        EXPECT_FALSE(result);
    }
}

// Reads every field from the result to the collection data and names each read that fails.
std::vector<std::string> failing_reads(winabi::IStoreProductResult* result) {
    std::vector<std::string> failed;
    const auto check = [&](const char* field, HRESULT hr) {
        if (hr != S_OK) failed.push_back(std::string(field) + " " + std::to_string(hr));
    };
    HRESULT extended = S_OK;
    com_ptr<winabi::IStoreProduct> product;
    check("ProductResult.ExtendedError", result->get_ExtendedError(&extended));
    check("ProductResult.Product", result->get_Product(product.put()));
    if (!product) return failed;
    com_ptr<sku_view> view;
    check("Product.Skus", product->get_Skus(view.put()));
    if (!view) return failed;
    com_ptr<winabi::IStoreSku> sku;
    EXPECT_EQ(view->GetAt(0, sku.put()), S_OK);
    if (!sku) return failed;
    unique_hstring text;
    boolean flag = false;
    com_ptr<winabi::IStorePrice> price;
    com_ptr<winabi::IStoreSubscriptionInfo> info;
    com_ptr<winabi::IStoreCollectionData> collection;
    check("Sku.StoreId", sku->get_StoreId(text.put()));
    check("Sku.Title", sku->get_Title(text.put()));
    check("Sku.Description", sku->get_Description(text.put()));
    check("Sku.IsTrial", sku->get_IsTrial(&flag));
    check("Sku.Price", sku->get_Price(price.put()));
    check("Sku.IsInUserCollection", sku->get_IsInUserCollection(&flag));
    check("Sku.CollectionData", sku->get_CollectionData(collection.put()));
    check("Sku.IsSubscription", sku->get_IsSubscription(&flag));
    check("Sku.SubscriptionInfo", sku->get_SubscriptionInfo(info.put()));
    if (price) check("Price.FormattedPrice", price->get_FormattedPrice(text.put()));
    if (info) {
        UINT32 period = 0;
        winabi::StoreDurationUnit unit{};
        check("SubscriptionInfo.BillingPeriod", info->get_BillingPeriod(&period));
        check("SubscriptionInfo.BillingPeriodUnit", info->get_BillingPeriodUnit(&unit));
        check("SubscriptionInfo.HasTrialPeriod", info->get_HasTrialPeriod(&flag));
        check("SubscriptionInfo.TrialPeriod", info->get_TrialPeriod(&period));
        check("SubscriptionInfo.TrialPeriodUnit", info->get_TrialPeriodUnit(&unit));
    }
    if (collection) {
        winabi::DateTime date{};
        winabi::TimeSpan span{};
        check("CollectionData.IsTrial", collection->get_IsTrial(&flag));
        check("CollectionData.AcquiredDate", collection->get_AcquiredDate(&date));
        check("CollectionData.StartDate", collection->get_StartDate(&date));
        check("CollectionData.EndDate", collection->get_EndDate(&date));
        check("CollectionData.TrialTimeRemaining", collection->get_TrialTimeRemaining(&span));
    }
    return failed;
}

TEST(simulated_skus, a_failing_read_of_any_field_fails_that_read_alone) {
    const std::string everything = "app-product=9A;sku=9A/1,billing=1:month,trial-period=1:week,acquired=1;";
    const auto result = app_result_for(everything);
    ASSERT_TRUE(result);
    EXPECT_EQ(failing_reads(result.get()), std::vector<std::string>{});
    std::vector<std::string> fields{"Price.FormattedPrice"};
    for (const simstore::field_names& names : simstore::store_field_names)
        if (names.field >= simstore::store_field::product_skus)
            fields.push_back(std::string(names.object) + "." + std::string(names.getter.substr(4)));
    for (const std::string& field : fields) {
        SCOPED_TRACE(field);
        const auto failing = app_result_for(everything + "fail=" + field + ":E_ACCESSDENIED");
        ASSERT_TRUE(failing);
        EXPECT_EQ(failing_reads(failing.get()), std::vector<std::string>{field + " " + std::to_string(E_ACCESSDENIED)});
    }
}

// Calls the handler it is given inside the assignment when the operation has completed.
class string_handler final
    : public com_object<string_handler, winabi::IAsyncOperationCompletedHandler<winabi::hstring_abi>, IAgileObject> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(winabi::IStringOperation* operation, winabi::AsyncStatus status) override {
        status_ = status;
        results_ = operation->GetResults(id_.put());
        return S_OK;
    }

    winabi::AsyncStatus status_ = winabi::AsyncStatus::Started;
    HRESULT results_ = S_FALSE; // not called
    unique_hstring id_;
};

struct id_case {
    const char* scenario;
    HRESULT results;
    winabi::AsyncStatus status;
    wide_view id;
};

const id_case id_cases[] = {
    {"", S_OK, winabi::AsyncStatus::Completed, WIDE("simulated-id")},
    {"customer-id=", S_OK, winabi::AsyncStatus::Completed, WIDE("")},
    {"customer-id=eyJ%0D%00.%C3%A9", S_OK, winabi::AsyncStatus::Completed, wide_view(WIDE("eyJ\r\0.\u00e9"), 7)},
    {"results=null", S_OK, winabi::AsyncStatus::Completed, WIDE("")},
    {"results=E_ACCESSDENIED", E_ACCESSDENIED, winabi::AsyncStatus::Error, WIDE("")},
};

TEST(simulated_customer_ids, both_calls_deliver_the_scenarios_id_as_a_string_operation) {
    const unique_hstring ticket = make_hstring(WIDE("ticket"));
    for (const id_case& row : id_cases) {
        SCOPED_TRACE(row.scenario);
        const auto context = context_for(std::string("after=now;") + row.scenario);
        ASSERT_TRUE(context);
        for (const auto request : {&winabi::IStoreContext::GetCustomerPurchaseIdAsync,
                                   &winabi::IStoreContext::GetCustomerCollectionsIdAsync}) {
            com_ptr<winabi::IStringOperation> operation;
            ASSERT_EQ((context.get()->*request)(ticket.get(), nullptr, operation.put()), S_OK);
            ASSERT_TRUE(operation);
            const auto handler = com_ptr<string_handler>::attach(new string_handler());
            ASSERT_EQ(operation->put_Completed(handler.get()), S_OK);
            EXPECT_EQ(handler->status_, row.status);
            EXPECT_EQ(handler->results_, row.results);
            EXPECT_EQ(view_of(handler->id_), row.id);
            EXPECT_EQ(row.id.empty(), handler->id_.get() == nullptr);
        }
    }
}

TEST(simulated_customer_ids, the_request_keys_act_on_both_calls) {
    for (const auto& [scenario, expected] :
         {std::pair{"request=none", S_OK}, std::pair{"request=E_ACCESSDENIED", E_ACCESSDENIED}}) {
        SCOPED_TRACE(scenario);
        const auto context = context_for(scenario);
        ASSERT_TRUE(context);
        com_ptr<winabi::IStringOperation> operation;
        EXPECT_EQ(context->GetCustomerPurchaseIdAsync(nullptr, nullptr, operation.put()), expected);
        EXPECT_FALSE(operation);
        EXPECT_EQ(context->GetCustomerCollectionsIdAsync(nullptr, nullptr, operation.put()), expected);
        EXPECT_FALSE(operation);
    }
}

TEST(simulated_skus, the_trace_records_the_arguments_as_received_and_each_read_via_its_interface) {
    const trace_file trace;
    const auto context = context_for("after=now;app-product=9A;sku=9A/1,billing=1:day,start=0", trace.path());
    ASSERT_TRUE(context);
    const unique_hstring ticket = make_hstring(wide_view(WIDE("a\r\x1A\0\"\u00e9"), 6));
    const unique_hstring user = make_hstring(WIDE("user\t1"));
    com_ptr<winabi::IStringOperation> ids;
    ASSERT_EQ(context->GetCustomerPurchaseIdAsync(ticket.get(), user.get(), ids.put()), S_OK);
    ASSERT_EQ(context->GetCustomerCollectionsIdAsync(nullptr, nullptr, ids.put()), S_OK);
    com_ptr<winabi::IStoreProductResult> result;
    ASSERT_EQ(request_app_product(context.get())->GetResults(result.put()), S_OK);
    ASSERT_TRUE(result);
    EXPECT_EQ(failing_reads(result.get()), std::vector<std::string>{});
    result = nullptr;

    const auto lines = trace.lines();
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has(R"({"call":"GetCustomerPurchaseIdAsync","object":"context","thread":"main","via":"IStoreContext",)"
                    R"("serviceTicket":"a\r\u001a\u0000\")"
                    "\xC3\xA9"
                    R"(","publisherUserId":"user\t1"})"));
    EXPECT_TRUE(has(R"({"call":"GetCustomerCollectionsIdAsync","object":"context","thread":"main",)"
                    R"("via":"IStoreContext","serviceTicket":"","publisherUserId":""})"));
    EXPECT_TRUE(has(R"({"call":"GetStoreProductForCurrentAppAsync","object":"context","thread":"main",)"
                    R"("via":"IStoreContext"})"));
    for (const simstore::field_names& names : simstore::store_field_names) {
        if (names.field < simstore::store_field::product_skus) continue;
        EXPECT_TRUE(has(R"({"call":")" + std::string(names.getter) + R"(","object":")" +
                        std::string(names.traced_as) + R"(","thread":"main","via":")" + std::string(names.via) +
                        R"("})"))
            << names.getter << " via " << names.via;
    }
    EXPECT_EQ(lines.back(), R"({"call":"Release","object":"result","thread":"main"})");
}

} // namespace
