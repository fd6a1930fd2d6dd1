// The Store's platform operations against the simulated Store, reached the way
// the bridge reaches the real one: through Windows Runtime activation (under
// Wine, the registered simulated-store.dll). Runs with the default scenario.
#include "calls/store_calls.h"
#include "waits/anchor_window.h"
#include "waits/completion_handler.h"
#include "waits/completion_outcome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

template <class Result>
struct awaited_outcome {
    completion_outcome<Result> slots;
    std::mutex lock;
    std::condition_variable woken;
    bool done = false;

    void wake() noexcept {
        std::lock_guard guard(lock);
        done = true;
        woken.notify_all();
    }
    typename completion_outcome<Result>::taken await() {
        std::unique_lock guard(lock);
        EXPECT_TRUE(woken.wait_for(guard, std::chrono::seconds(10), [&] { return done; }));
        return slots.take();
    }
};

class store_calls : public testing::Test {
protected:
    void SetUp() override {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
    }
};

} // namespace

TEST_F(store_calls, purchase_through_activation) {
    const auto context = get_default_store_context();
    ASSERT_TRUE(context);
    unique_window owned_anchor = create_purchase_anchor();
    const HWND anchor = owned_anchor.get();
    EXPECT_TRUE(IsWindow(anchor));
    EXPECT_NO_THROW(bind_anchor(context.get(), anchor));

    const auto operation = request_purchase(context.get(), WIDE("9NBLGGH4R315"));
    ASSERT_TRUE(operation);
    EXPECT_EQ(async_status(operation.get()), winabi::AsyncStatus::Started);

    const auto outcome = std::make_shared<awaited_outcome<winabi::IStorePurchaseResult>>();
    complete_into(operation.get(), outcome);
    const auto taken = outcome->await();
    ASSERT_TRUE(taken.result);
    EXPECT_EQ(async_status(operation.get()), winabi::AsyncStatus::Completed);
    EXPECT_EQ(purchase_status(taken.result.get()), winabi::StorePurchaseStatus::Succeeded);
    EXPECT_EQ(get_results(operation.get()).get() != nullptr, true);

    owned_anchor.reset();
    EXPECT_FALSE(IsWindow(anchor));
}

TEST_F(store_calls, rate_and_review_through_activation) {
    const auto context = get_default_store_context();
    ASSERT_TRUE(context);
    unique_window owned_anchor = create_review_anchor(nullptr, POINT{0, 0});
    const HWND anchor = owned_anchor.get();
    EXPECT_NO_THROW(bind_anchor(context.get(), anchor));

    const auto operation = request_rate_and_review(context.get());
    ASSERT_TRUE(operation);
    const auto outcome = std::make_shared<awaited_outcome<winabi::IStoreRateAndReviewResult>>();
    complete_into(operation.get(), outcome);
    const auto taken = outcome->await();
    ASSERT_TRUE(taken.result);
    EXPECT_EQ(review_status(taken.result.get()), winabi::StoreRateAndReviewStatus::Succeeded);
    EXPECT_FALSE(was_updated(taken.result.get()));

    // Gone before its owner lets go, as an owned anchor goes with its owner.
    ASSERT_TRUE(DestroyWindow(anchor));
    owned_anchor.reset();
    EXPECT_FALSE(IsWindow(anchor));
}

TEST_F(store_calls, a_second_completion_handler_is_refused_as_a_platform_failure) {
    const auto context = get_default_store_context();
    const auto operation = request_purchase(context.get(), WIDE(""));
    ASSERT_TRUE(operation);
    const auto outcome = std::make_shared<awaited_outcome<winabi::IStorePurchaseResult>>();
    complete_into(operation.get(), outcome);
    EXPECT_THROW(complete_into(operation.get(), outcome), illegal_delegate_assignment);
    EXPECT_TRUE(outcome->await().result);
}
