// The completion handler and the hand-over of its outcome to the flow.
#include "platform/com_object.h"
#include "waits/completion_handler.h"
#include "waits/completion_outcome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

namespace {

// Allocation can be made to fail on the calling thread, to see what the handler
// does when it cannot even build its failure text.
thread_local bool allocation_fails = false;

struct failing_allocation {
    failing_allocation() { allocation_fails = true; }
    ~failing_allocation() { allocation_fails = false; }
};

using winabi::IStorePurchaseResult;

class fake_result final : public com_object<fake_result, IStorePurchaseResult> {
public:
    explicit fake_result(std::atomic<int>& alive) : alive_(alive) { ++alive_; }
    ~fake_result() { --alive_; }
    HRESULT STDMETHODCALLTYPE get_Status(winabi::StorePurchaseStatus* value) override {
        *value = winabi::StorePurchaseStatus::AlreadyPurchased;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedError(HRESULT* value) override { return *value = S_OK, S_OK; }

private:
    std::atomic<int>& alive_;
};

// An operation whose GetResults answers as told; never called through anything but the handler.
class fake_operation final : public com_object<fake_operation, winabi::IPurchaseOperation> {
public:
    fake_operation(HRESULT answer, IStorePurchaseResult* result) : answer_(answer), result_(result) {}
    HRESULT STDMETHODCALLTYPE put_Completed(winabi::IAsyncOperationCompletedHandler<IStorePurchaseResult>*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Completed(winabi::IAsyncOperationCompletedHandler<IStorePurchaseResult>**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetResults(IStorePurchaseResult** result) override {
        SetErrorInfo(0, nullptr);
        *result = result_;
        if (result_) result_->AddRef();
        return answer_;
    }

private:
    HRESULT answer_;
    IStorePurchaseResult* result_;
};

struct test_outcome {
    completion_outcome<IStorePurchaseResult> slots;
    std::atomic<int> wakes{0};
    void wake() noexcept { ++wakes; }
};

using handler = completion_handler<winabi::IPurchaseOperation, test_outcome>;

com_ptr<handler> make_handler(const std::shared_ptr<test_outcome>& outcome) {
    return com_ptr<handler>::attach(new handler(outcome));
}

HRESULT invoke(handler* target, HRESULT answer, IStorePurchaseResult* result) {
    const auto operation = com_ptr<fake_operation>::attach(new fake_operation(answer, result));
    return target->Invoke(operation.get(), winabi::AsyncStatus::Completed);
}

} // namespace

// Every form is replaced, so that each new meets its own delete.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocation_fails ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(std::size_t size) {
    if (void* memory = operator new(size, std::nothrow)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

TEST(completion_handler, answers_exactly_its_interfaces) {
    const auto target = make_handler(std::make_shared<test_outcome>());
    struct row {
        const IID& iid;
        HRESULT expected;
    };
    const IID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const row rows[] = {
        {winabi::IAsyncOperationCompletedHandler<IStorePurchaseResult>::iid, S_OK},
        {IID_IUnknown, S_OK},
        {IID_IAgileObject, S_OK},
        {IID_IMarshal, S_OK},
        {IID_IInspectable, E_NOINTERFACE},
        {winabi::IAsyncOperationCompletedHandler<winabi::IStoreRateAndReviewResult>::iid, E_NOINTERFACE},
        {other, E_NOINTERFACE},
    };
    for (const row& r : rows) {
        com_ptr<IUnknown> answer;
        EXPECT_EQ(target->QueryInterface(r.iid, answer.put_void()), r.expected);
        EXPECT_EQ(answer.get() != nullptr, r.expected == S_OK);
    }
    // Every interface of one object leads back to the same identity.
    com_ptr<IUnknown> identity, via_agile, agile;
    ASSERT_EQ(target->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    ASSERT_EQ(target->QueryInterface(IID_IAgileObject, agile.put_void()), S_OK);
    ASSERT_EQ(agile->QueryInterface(IID_IUnknown, via_agile.put_void()), S_OK);
    EXPECT_EQ(identity.get(), via_agile.get());
}

TEST(completion_handler, hands_over_the_result_or_the_failure_text_and_wakes_once) {
    std::atomic<int> alive{0};
    struct row {
        const char* name;
        HRESULT answer;
        bool with_result;
        bool expect_result;
        wide_view expect_text;
    };
    const row rows[] = {
        {"result", S_OK, true, true, WIDE("")},
        {"no result object", S_OK, false, false, WIDE("")},
        {"platform failure without words", static_cast<HRESULT>(0x8004DEAD), false, false, WIDE("")},
        {"out of memory", E_OUTOFMEMORY, false, false, WIDE("async failure")},
        {"failure that also hands out an object", E_FAIL, true, false, WIDE("Unspecified error")},
    };
    for (const row& r : rows) {
        const auto outcome = std::make_shared<test_outcome>();
        {
            const auto result = com_ptr<fake_result>::attach(new fake_result(alive));
            EXPECT_EQ(invoke(make_handler(outcome).get(), r.answer, r.with_result ? result.get() : nullptr), S_OK);
        }
        EXPECT_EQ(outcome->wakes, 1) << r.name;
        auto taken = outcome->slots.take();
        EXPECT_EQ(taken.code, r.answer) << r.name;
        EXPECT_EQ(taken.result.get() != nullptr, r.expect_result) << r.name;
        if (r.answer == E_FAIL) EXPECT_FALSE(taken.failure_text().empty()) << r.name; // the system's own words
        else EXPECT_EQ(taken.failure_text(), r.expect_text) << r.name;
        taken.result.reset();
        EXPECT_EQ(alive, 0) << r.name << ": a result object leaked";
    }
}

TEST(completion_handler, without_memory_for_the_words_records_the_fixed_text_and_still_wakes) {
    const auto outcome = std::make_shared<test_outcome>();
    const auto target = make_handler(outcome);
    const auto operation = com_ptr<fake_operation>::attach(new fake_operation(E_ACCESSDENIED, nullptr));
    {
        failing_allocation no_memory;
        EXPECT_EQ(target->Invoke(operation.get(), winabi::AsyncStatus::Error), S_OK);
    }
    EXPECT_EQ(outcome->wakes, 1);
    EXPECT_EQ(outcome->slots.take().failure_text(), WIDE("async failure"));
}

TEST(completion_outcome, a_late_handler_finds_the_claim_taken_and_releases_what_it_holds) {
    std::atomic<int> alive{0};
    struct row {
        const char* name;
        bool flow_fetched; // the flow claimed because the operation reported its end
    };
    for (const row& r : {row{"flow stopped waiting", false}, row{"flow fetched the outcome itself", true}}) {
        const auto outcome = std::make_shared<test_outcome>();
        const auto target = make_handler(outcome);
        if (r.flow_fetched) {
            ASSERT_TRUE(outcome->slots.claim());
            outcome->slots.publish({{}, WIDE("the flow's own words"), E_ACCESSDENIED, false});
        } else {
            EXPECT_FALSE(outcome->slots.take().result);
        }
        {
            const auto result = com_ptr<fake_result>::attach(new fake_result(alive));
            EXPECT_EQ(invoke(target.get(), S_OK, result.get()), S_OK);
        }
        EXPECT_EQ(alive, 0) << r.name;
        EXPECT_EQ(outcome->wakes, 0) << r.name;
        if (r.flow_fetched) {
            EXPECT_EQ(outcome->slots.take().failure_text(), WIDE("the flow's own words"));
        }
    }
}

TEST(completion_outcome, one_claim_decides_who_fetches) {
    completion_outcome<IStorePurchaseResult> slots;
    EXPECT_TRUE(slots.claim());
    EXPECT_FALSE(slots.claim());
    slots.publish({{}, WIDE("words"), E_FAIL, false});
    EXPECT_FALSE(slots.claim());
    const auto taken = slots.take();
    EXPECT_EQ(taken.failure_text(), WIDE("words"));
    EXPECT_EQ(taken.code, E_FAIL);
}

TEST(completion_outcome, flow_and_handler_racing_never_see_half_an_outcome) {
    std::atomic<int> alive{0};
    for (int round = 0; round < 2000; ++round) {
        completion_outcome<IStorePurchaseResult> slots;
        std::thread handler_thread([&] {
            if (slots.claim()) {
                slots.publish({com_ptr<IStorePurchaseResult>::attach(new fake_result(alive)),
                               WIDE("text of the failure"), S_OK, false});
            }
        });
        auto taken = slots.take();
        handler_thread.join();
        // Either the whole outcome or none of it.
        EXPECT_EQ(taken.result.get() != nullptr, taken.text == WIDE("text of the failure")) << round;
    }
    EXPECT_EQ(alive, 0);
}

TEST(completion_outcome, a_flow_that_finds_the_handler_fetching_waits_for_its_outcome) {
    std::atomic<int> alive{0};
    for (int round = 0; round < 500; ++round) {
        completion_outcome<IStorePurchaseResult> slots;
        ASSERT_TRUE(slots.claim()); // the handler got there first and is still fetching
        std::thread handler_thread([&] {
            std::this_thread::yield();
            slots.publish({com_ptr<IStorePurchaseResult>::attach(new fake_result(alive)), {}, S_OK, false});
        });
        EXPECT_TRUE(slots.take().result) << round;
        handler_thread.join();
    }
    EXPECT_EQ(alive, 0);
}
