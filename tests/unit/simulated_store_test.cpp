// The simulated Store's objects driven directly, without the environment: how
// an operation completes and calls its handler, the error information of the
// injected failures, and the trace.
#include "abi/store_abi.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "platform/restricted_error_info.h"
#include "simstore/activation.h"
#include "simulated_context.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

com_ptr<winabi::IPurchaseOperation> purchase_for(std::string_view scenario) {
    com_ptr<winabi::IPurchaseOperation> operation;
    const unique_hstring store_id = make_hstring(WIDE("9NBLGGH4R315"));
    if (const auto context = context_for(scenario)) {
        EXPECT_EQ(context->RequestPurchaseAsync(store_id.get(), operation.put()), S_OK);
    }
    return operation;
}

com_ptr<winabi::IReviewOperation> review_for(std::string_view scenario) {
    com_ptr<winabi::IReviewOperation> operation;
    com_ptr<winabi::IStoreContext4> context;
    if (const auto base = context_for(scenario)) {
        EXPECT_EQ(query(base.get(), winabi::IStoreContext4::iid, context), S_OK);
    }
    if (context) {
        EXPECT_EQ(context->RequestRateAndReviewAppAsync(operation.put()), S_OK);
    }
    return operation;
}

template <class Result>
winabi::AsyncStatus status_of(winabi::IAsyncOperation<Result>* operation) {
    com_ptr<winabi::IAsyncInfo> info;
    EXPECT_EQ(query(operation, winabi::IAsyncInfo::iid, info), S_OK);
    auto status = static_cast<winabi::AsyncStatus>(-1);
    if (info) {
        EXPECT_EQ(info->get_Status(&status), S_OK);
    }
    return status;
}

thread_local bool assigning = false;

// Counts its calls, remembers where the last one ran, and takes the results there.
template <class Result>
class recording_handler final
    : public com_object<recording_handler<Result>, winabi::IAsyncOperationCompletedHandler<Result>, IAgileObject> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(winabi::IAsyncOperation<Result>* operation, winabi::AsyncStatus status) override {
        com_ptr<Result> result;
        const HRESULT results = operation->GetResults(result.put());
        const std::lock_guard hold(lock_);
        ++calls_;
        status_ = status;
        thread_ = std::this_thread::get_id();
        during_assignment_ = assigning;
        results_ = results;
        result_ = std::move(result);
        called_.notify_all();
        return S_OK;
    }

    bool wait_for_call() {
        std::unique_lock hold(lock_);
        return called_.wait_for(hold, 10s, [&] { return calls_ > 0; });
    }
    int calls() {
        const std::lock_guard hold(lock_);
        return calls_;
    }

    // Valid once a call was seen.
    winabi::AsyncStatus status_ = winabi::AsyncStatus::Started;
    std::thread::id thread_;
    bool during_assignment_ = false;
    HRESULT results_ = S_OK;
    com_ptr<Result> result_;

private:
    std::mutex lock_;
    std::condition_variable called_;
    int calls_ = 0;
};

template <class Result>
com_ptr<recording_handler<Result>> new_handler() {
    return com_ptr<recording_handler<Result>>::attach(new recording_handler<Result>());
}

template <class Result>
HRESULT assign(winabi::IAsyncOperation<Result>* operation, recording_handler<Result>* handler) {
    assigning = true;
    const HRESULT hr = operation->put_Completed(handler);
    assigning = false;
    return hr;
}

TEST(simulated_operation, completed_at_creation_calls_the_handler_inside_the_assignment) {
    const auto operation = purchase_for("after=now;purchase=AlreadyPurchased");
    ASSERT_TRUE(operation);
    EXPECT_EQ(status_of(operation.get()), winabi::AsyncStatus::Completed);

    const auto handler = new_handler<winabi::IStorePurchaseResult>();
    ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
    ASSERT_EQ(handler->calls(), 1);
    EXPECT_TRUE(handler->during_assignment_);
    EXPECT_EQ(handler->thread_, std::this_thread::get_id());
    EXPECT_EQ(handler->status_, winabi::AsyncStatus::Completed);
    ASSERT_EQ(handler->results_, S_OK);
    winabi::StorePurchaseStatus status{};
    ASSERT_EQ(handler->result_->get_Status(&status), S_OK);
    EXPECT_EQ(status, winabi::StorePurchaseStatus::AlreadyPurchased);

    EXPECT_EQ(assign(operation.get(), handler.get()), E_ILLEGAL_DELEGATE_ASSIGNMENT);
    EXPECT_EQ(handler->calls(), 1);
}

TEST(simulated_operation, pending_operation_calls_the_handler_on_a_worker_after_the_delay) {
    const auto requested = std::chrono::steady_clock::now();
    const auto operation = purchase_for("after=300;async-status=5");
    ASSERT_TRUE(operation);
    EXPECT_EQ(status_of(operation.get()), static_cast<winabi::AsyncStatus>(5));

    const auto handler = new_handler<winabi::IStorePurchaseResult>();
    ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
    EXPECT_EQ(handler->calls(), 0);
    ASSERT_TRUE(handler->wait_for_call());
    EXPECT_GE(std::chrono::steady_clock::now() - requested, 300ms);
    EXPECT_NE(handler->thread_, std::this_thread::get_id());
    EXPECT_FALSE(handler->during_assignment_);
    EXPECT_EQ(handler->status_, winabi::AsyncStatus::Completed);
    EXPECT_EQ(status_of(operation.get()), winabi::AsyncStatus::Completed);

    EXPECT_EQ(assign(operation.get(), handler.get()), E_ILLEGAL_DELEGATE_ASSIGNMENT);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(handler->calls(), 1);
}

TEST(simulated_operation, assignment_after_completion_calls_the_handler_at_once) {
    const auto operation = purchase_for("after=0");
    ASSERT_TRUE(operation);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (status_of(operation.get()) == winabi::AsyncStatus::Started && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);

    const auto handler = new_handler<winabi::IStorePurchaseResult>();
    ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
    ASSERT_EQ(handler->calls(), 1);
    EXPECT_TRUE(handler->during_assignment_);
    EXPECT_EQ(handler->thread_, std::this_thread::get_id());
}

TEST(simulated_operation, racing_completion_and_assignment_call_the_handler_once) {
    std::vector<com_ptr<recording_handler<winabi::IStorePurchaseResult>>> handlers;
    for (int i = 0; i < 100; ++i) {
        const auto operation = purchase_for("after=0");
        ASSERT_TRUE(operation);
        handlers.push_back(new_handler<winabi::IStorePurchaseResult>());
        ASSERT_EQ(assign(operation.get(), handlers.back().get()), S_OK);
    }
    for (const auto& handler : handlers) ASSERT_TRUE(handler->wait_for_call());
    std::this_thread::sleep_for(50ms);
    for (const auto& handler : handlers) EXPECT_EQ(handler->calls(), 1);
}

TEST(simulated_operation, failed_results_complete_with_error) {
    const auto operation = purchase_for("after=now;results=E_ACCESSDENIED");
    ASSERT_TRUE(operation);
    EXPECT_EQ(status_of(operation.get()), winabi::AsyncStatus::Error);
    const auto handler = new_handler<winabi::IStorePurchaseResult>();
    ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
    EXPECT_EQ(handler->status_, winabi::AsyncStatus::Error);
    EXPECT_EQ(handler->results_, E_ACCESSDENIED);
    EXPECT_FALSE(handler->result_);
}

TEST(simulated_operation, null_results_succeed_without_an_object) {
    const auto operation = review_for("after=now;results=null");
    ASSERT_TRUE(operation);
    com_ptr<winabi::IStoreRateAndReviewResult> result;
    EXPECT_EQ(operation->GetResults(result.put()), S_OK);
    EXPECT_FALSE(result);
    EXPECT_EQ(status_of(operation.get()), winabi::AsyncStatus::Completed);
}

TEST(simulated_operation, results_are_refused_before_completion) {
    const auto operation = purchase_for("after=never");
    ASSERT_TRUE(operation);
    com_ptr<winabi::IStorePurchaseResult> result;
    EXPECT_EQ(operation->GetResults(result.put()), E_ILLEGAL_METHOD_CALL);
}

TEST(simulated_operation, review_result_reports_the_scenario) {
    const struct {
        const char* scenario;
        winabi::StoreRateAndReviewStatus status;
        HRESULT updated_result;
        boolean updated;
    } rows[] = {
        {"after=now", winabi::StoreRateAndReviewStatus::Succeeded, S_OK, 0},
        {"after=now;review=CanceledByUser;updated=true", winabi::StoreRateAndReviewStatus::CanceledByUser, S_OK, 1},
        {"after=now;review=-4;updated=E_FAIL", static_cast<winabi::StoreRateAndReviewStatus>(-4), E_FAIL, 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const auto operation = review_for(row.scenario);
        ASSERT_TRUE(operation);
        com_ptr<winabi::IStoreRateAndReviewResult> result;
        ASSERT_EQ(operation->GetResults(result.put()), S_OK);
        winabi::StoreRateAndReviewStatus status{};
        EXPECT_EQ(result->get_Status(&status), S_OK);
        EXPECT_EQ(status, row.status);
        boolean updated = 7;
        EXPECT_EQ(result->get_WasUpdated(&updated), row.updated_result);
        EXPECT_EQ(updated, row.updated);
    }
}

TEST(simulated_operation, never_completes) {
    const auto operation = purchase_for("after=never;async-status=2");
    ASSERT_TRUE(operation);
    const auto handler = new_handler<winabi::IStorePurchaseResult>();
    ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(handler->calls(), 0);
    EXPECT_EQ(status_of(operation.get()), winabi::AsyncStatus::Canceled);
}

TEST(simulated_operation, posts_reach_the_requesting_thread_in_time_order) {
    MSG message{};
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // a queue to post to
    const auto requested = std::chrono::steady_clock::now();
    const auto operation = purchase_for("after=never;post=quit@60;post=message@20");
    ASSERT_TRUE(operation);

    std::vector<UINT> received;
    const auto deadline = requested + 10s;
    while (received.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) received.push_back(message.message);
        else std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - requested, 60ms);
    EXPECT_EQ(received, (std::vector<UINT>{WM_USER, WM_QUIT}));
}

// The calling thread's error information, read as the bridge reads it.
struct error_information {
    bool present = false;
    std::optional<wide_string> plain_description;
    bool restricted = false;
    HRESULT details_result = 0;
    HRESULT error = 0;
    std::optional<wide_string> description;
    std::optional<wide_string> restricted_description;
};

std::optional<wide_string> text_of(const unique_bstr& text) {
    if (!text.get()) return std::nullopt;
    return wide_string(view_of(text));
}

error_information take_error_information() {
    error_information taken;
    com_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return taken;
    taken.present = true;
    unique_bstr plain;
    EXPECT_EQ(info->GetDescription(plain.put()), S_OK);
    taken.plain_description = text_of(plain);
    com_ptr<winabi::IRestrictedErrorInfo> restricted;
    if (query(info.get(), winabi::IID_IRestrictedErrorInfo, restricted) != S_OK) return taken;
    taken.restricted = true;
    unique_bstr description, restricted_description, capability;
    taken.details_result =
        restricted->GetErrorDetails(description.put(), &taken.error, restricted_description.put(), capability.put());
    taken.description = text_of(description);
    taken.restricted_description = text_of(restricted_description);
    EXPECT_EQ(capability.get(), nullptr);
    return taken;
}

TEST(simulated_error_information, takes_the_shape_the_scenario_gives) {
    const struct {
        const char* scenario;
        error_information expected;
    } rows[] = {
        {"context=E_ACCESSDENIED;restricted=r%0D%0A;description=d",
         {true, WIDE("d"), true, S_OK, E_ACCESSDENIED, WIDE("d"), WIDE("r\r\n")}},
        {"context=E_ACCESSDENIED;restricted=",
         {true, std::nullopt, true, S_OK, E_ACCESSDENIED, std::nullopt, WIDE("")}},
        {"context=E_ACCESSDENIED;description=only", {true, WIDE("only"), false, 0, 0, std::nullopt, std::nullopt}},
        {"context=E_ACCESSDENIED", {}},
        {"context=E_ACCESSDENIED;restricted=r;reported=E_BOUNDS;details=S_FALSE",
         {true, std::nullopt, true, S_FALSE, E_BOUNDS, std::nullopt, WIDE("r")}},
        {"context=E_ACCESSDENIED;restricted=r;details=E_FAIL",
         {true, std::nullopt, true, E_FAIL, E_ACCESSDENIED, std::nullopt, WIDE("r")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        // Left over from an earlier failure: the next one must replace or clear it.
        com_ptr<winabi::IStoreContext> context;
        EXPECT_EQ(statics_for("context=E_FAIL;description=stale")->GetDefault(context.put()), E_FAIL);

        EXPECT_EQ(statics_for(row.scenario)->GetDefault(context.put()), E_ACCESSDENIED);
        EXPECT_FALSE(context);
        const error_information taken = take_error_information();
        EXPECT_EQ(taken.present, row.expected.present);
        EXPECT_EQ(taken.plain_description, row.expected.plain_description);
        EXPECT_EQ(taken.restricted, row.expected.restricted);
        EXPECT_EQ(taken.details_result, row.expected.details_result);
        EXPECT_EQ(taken.error, row.expected.error);
        EXPECT_EQ(taken.description, row.expected.description);
        EXPECT_EQ(taken.restricted_description, row.expected.restricted_description);
    }
}

enum class failing_call {
    get_default,
    request_purchase,
    request_review,
    get_results,
    purchase_status,
    review_status,
    was_updated,
};

HRESULT make_call(failing_call call, std::string_view scenario) {
    switch (call) {
    case failing_call::get_default: {
        com_ptr<winabi::IStoreContext> context;
        return statics_for(scenario)->GetDefault(context.put());
    }
    case failing_call::request_purchase: {
        com_ptr<winabi::IPurchaseOperation> operation;
        return context_for(scenario)->RequestPurchaseAsync(nullptr, operation.put());
    }
    case failing_call::request_review: {
        com_ptr<winabi::IStoreContext4> context;
        EXPECT_EQ(query(context_for(scenario).get(), winabi::IStoreContext4::iid, context), S_OK);
        com_ptr<winabi::IReviewOperation> operation;
        return context->RequestRateAndReviewAppAsync(operation.put());
    }
    case failing_call::get_results: {
        com_ptr<winabi::IStorePurchaseResult> result;
        return purchase_for(scenario)->GetResults(result.put());
    }
    case failing_call::purchase_status: {
        com_ptr<winabi::IStorePurchaseResult> result;
        EXPECT_EQ(purchase_for(scenario)->GetResults(result.put()), S_OK);
        winabi::StorePurchaseStatus status{};
        return result->get_Status(&status);
    }
    case failing_call::review_status:
    case failing_call::was_updated: {
        com_ptr<winabi::IStoreRateAndReviewResult> result;
        EXPECT_EQ(review_for(scenario)->GetResults(result.put()), S_OK);
        winabi::StoreRateAndReviewStatus status{};
        boolean updated = 0;
        return call == failing_call::review_status ? result->get_Status(&status) : result->get_WasUpdated(&updated);
    }
    }
    return S_OK;
}

TEST(simulated_error_information, comes_with_every_injected_failure) {
    const struct {
        failing_call call;
        const char* scenario;
        HRESULT code;
    } rows[] = {
        {failing_call::get_default, "context=E_NOINTERFACE", E_NOINTERFACE},
        {failing_call::request_purchase, "request=E_NOTIMPL", E_NOTIMPL},
        {failing_call::request_review, "request=RPC_E_WRONG_THREAD", RPC_E_WRONG_THREAD},
        {failing_call::get_results, "after=now;results=ERROR_CANCELLED", HRESULT_FROM_WIN32(ERROR_CANCELLED)},
        {failing_call::purchase_status, "after=now;status=E_ILLEGAL_STATE_CHANGE", E_ILLEGAL_STATE_CHANGE},
        {failing_call::review_status, "after=now;status=0x80001234", static_cast<HRESULT>(0x80001234)},
        {failing_call::was_updated, "after=now;updated=E_CHANGED_STATE", E_CHANGED_STATE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(make_call(row.call, std::string(row.scenario) + ";restricted=at%20fault"), row.code);
        const error_information taken = take_error_information();
        EXPECT_TRUE(taken.restricted);
        EXPECT_EQ(taken.error, row.code);
        EXPECT_EQ(taken.restricted_description, WIDE("at fault"));
    }
}

TEST(simulated_activation, refuses_a_bad_scenario_naming_the_item) {
    const unique_hstring name = make_hstring(winabi::store_context_class);
    com_ptr<IActivationFactory> factory;
    EXPECT_EQ(simstore::activate_store_context(name.get(), simstore::parse_scenario("purchase=1;after=soon"), {},
                                               factory.put()),
              E_INVALIDARG);
    EXPECT_FALSE(factory);
    const error_information taken = take_error_information();
    EXPECT_TRUE(taken.restricted);
    EXPECT_EQ(taken.error, E_INVALIDARG);
    EXPECT_EQ(taken.restricted_description,
              WIDE("bad scenario item \"after=soon\": expected milliseconds, now or never"));
}

TEST(simulated_activation, serves_only_the_store_context) {
    const unique_hstring name = make_hstring(WIDE("Windows.Services.Store.StoreContextX"));
    com_ptr<IActivationFactory> factory;
    EXPECT_EQ(simstore::activate_store_context(name.get(), simstore::parse_scenario(""), {}, factory.put()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(factory);
}

TEST(simulated_context, offers_the_window_binding_unless_missing) {
    com_ptr<winabi::IInitializeWithWindow> binding;
    EXPECT_EQ(query(context_for("").get(), winabi::IInitializeWithWindow::iid, binding), S_OK);
    EXPECT_TRUE(binding);
    EXPECT_EQ(query(context_for("bind=missing").get(), winabi::IInitializeWithWindow::iid, binding), E_NOINTERFACE);
    EXPECT_FALSE(binding);
}

TEST(simulated_context, request_none_succeeds_without_an_operation) {
    const unique_hstring store_id = make_hstring(WIDE("x"));
    com_ptr<winabi::IPurchaseOperation> purchase;
    EXPECT_EQ(context_for("request=none")->RequestPurchaseAsync(store_id.get(), purchase.put()), S_OK);
    EXPECT_FALSE(purchase);
    com_ptr<winabi::IStoreContext4> context;
    ASSERT_EQ(query(context_for("request=none").get(), winabi::IStoreContext4::iid, context), S_OK);
    com_ptr<winabi::IReviewOperation> review;
    EXPECT_EQ(context->RequestRateAndReviewAppAsync(review.put()), S_OK);
    EXPECT_FALSE(review);
}

TEST(simulated_trace, records_each_call_with_its_thread) {
    const trace_file trace;
    {
        const auto context = context_for("after=30;purchase=NotPurchased", trace.path());
        ASSERT_TRUE(context);
        com_ptr<winabi::IInitializeWithWindow> binding;
        ASSERT_EQ(query(context.get(), winabi::IInitializeWithWindow::iid, binding), S_OK);
        EXPECT_EQ(binding->Initialize(nullptr), S_OK);

        const unique_hstring store_id = make_hstring(WIDE("a\"b\\c\n\x01\u00e9"));
        com_ptr<winabi::IPurchaseOperation> operation;
        ASSERT_EQ(context->RequestPurchaseAsync(store_id.get(), operation.put()), S_OK);
        const auto handler = new_handler<winabi::IStorePurchaseResult>();
        ASSERT_EQ(assign(operation.get(), handler.get()), S_OK);
        ASSERT_TRUE(handler->wait_for_call());
        winabi::StorePurchaseStatus status{};
        EXPECT_EQ(handler->result_->get_Status(&status), S_OK);
        handler->result_.reset();
    }
    const std::vector<std::string> expected = {
        R"({"call":"GetDefault","object":"factory","thread":"main"})",
        R"({"call":"QueryInterface","object":"context","thread":"main","interface":"IInitializeWithWindow"})",
        R"({"call":"Initialize","object":"context","thread":"main","window":0,"class":"","style":0,"exStyle":0,)"
        R"("rect":null,"visible":false,"owner":0})",
        R"({"call":"RequestPurchaseAsync","object":"context","thread":"main","storeId":"a\"b\\c\n\u0001)"
        "\xC3\xA9\"}",
        R"({"call":"put_Completed","object":"operation","thread":"main"})",
        R"({"call":"GetResults","object":"operation","thread":"worker"})",
        R"({"call":"get_Status","object":"result","thread":"main"})",
        R"({"call":"Release","object":"result","thread":"main"})",
    };
    EXPECT_EQ(trace.lines(), expected);
}

TEST(simulated_trace, describes_the_anchor_window_as_the_system_reports_it) {
    const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, WIDE("STATIC"), WIDE(""), WS_POPUP | WS_VISIBLE, 3, 4, 1, 1,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) GTEST_SKIP() << "no window system here";
    const trace_file trace;
    {
        com_ptr<winabi::IInitializeWithWindow> binding;
        ASSERT_EQ(query(context_for("", trace.path()).get(), winabi::IInitializeWithWindow::iid, binding), S_OK);
        EXPECT_EQ(binding->Initialize(window), S_OK);
    }
    const std::string expected =
        R"({"call":"Initialize","object":"context","thread":"main","window":)" +
        std::to_string(reinterpret_cast<std::uintptr_t>(window)) + R"(,"class":"Static","style":)" +
        std::to_string(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE))) + R"(,"exStyle":)" +
        std::to_string(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_EXSTYLE))) +
        R"(,"rect":[3,4,4,5],"visible":true,"owner":0})";
    DestroyWindow(window);
    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], expected);
}

} // namespace
