#include "error_information.h"
#include "faults.h"
#include "operation.h"
#include "worker_thread.h"
#include "../abi/consumable_abi.h"
#include "../abi/update_abi.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"

#include <algorithm>
#include <latch>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace simstore {
namespace {

using std::chrono::steady_clock;

// What the worker thread does, and when, counted from the request.
enum class step_kind { complete, fault, fault_twice, post_quit, post_message };

struct timed_step {
    milliseconds at;
    step_kind kind;
};

bool faults_on_worker(const scenario& settings) {
    return settings.crash == crash_kind::worker || settings.crash == crash_kind::twice;
}

// A fault on the worker replaces the completion; "now" then means at once.
bool completes_at_creation(const scenario& settings) {
    return settings.completes == completion::at_creation && !faults_on_worker(settings);
}

std::vector<timed_step> worker_steps(const scenario& settings) {
    std::vector<timed_step> steps;
    if (settings.completes != completion::never) {
        const milliseconds at = settings.completes == completion::after_delay ? settings.after : milliseconds{0};
        if (settings.crash == crash_kind::worker) steps.push_back({at, step_kind::fault});
        else if (settings.crash == crash_kind::twice) steps.push_back({at, step_kind::fault_twice});
        else if (settings.completes == completion::after_delay) steps.push_back({at, step_kind::complete});
    }
    for (const posted_message& post : settings.posts)
        steps.push_back({post.after_request, post.quit ? step_kind::post_quit : step_kind::post_message});
    std::stable_sort(steps.begin(), steps.end(), [](const timed_step& a, const timed_step& b) { return a.at < b.at; });
    return steps;
}

// Two threads released from one latch fault at the same moment.
void fault_on_two_threads() {
    auto start = std::make_shared<std::latch>(2);
    const auto fault = [start] {
        start->arrive_and_wait();
        write_through_bad_pointer();
    };
    // Without a second thread, this one faults alone.
    if (start_detached_thread(fault) < 0) start->count_down();
    fault();
}

// sleep_until may wake a little early: mingw-w64 sleeps in whole milliseconds.
void sleep_until_reached(steady_clock::time_point deadline) {
    while (steady_clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

template <class Result>
class store_operation final
    : public com_object<store_operation<Result>, winabi::IAsyncOperation<Result>, winabi::IAsyncInfo, IAgileObject> {
    using handler = winabi::IAsyncOperationCompletedHandler<Result>;

public:
    store_operation(shared_simulation simulation, result_maker<Result> make_result)
        : simulation_(std::move(simulation)), make_result_(std::move(make_result)),
          completed_(completes_at_creation(simulation_->settings)) {}

    // Runs on the requesting thread, before anyone else knows the operation.
    // A pending operation always has a worker, whose reference keeps the
    // operation alive until it completes, whoever else lets go of it.
    HRESULT start() {
        std::vector<timed_step> steps = worker_steps(simulation_->settings);
        if (completed_ && steps.empty()) return S_OK;
        return start_detached_thread([operation = reference(), requested = steady_clock::now(),
                                      requester = GetCurrentThreadId(),
                                      steps = std::move(steps)] { run_steps(operation, requested, requester, steps); });
    }

    HRESULT STDMETHODCALLTYPE put_Completed(handler* assigned) override {
        simulation_->log.record("put_Completed", "operation");
        if (!assigned) return E_POINTER;
        assigned->AddRef();
        com_ptr<handler> ready = com_ptr<handler>::attach(assigned);
        {
            const std::lock_guard hold(lock_);
            if (handler_assigned_) return E_ILLEGAL_DELEGATE_ASSIGNMENT;
            handler_assigned_ = true;
            if (!completed_) {
                handler_ = std::move(ready);
                return S_OK;
            }
        }
        // Already complete: the handler runs now, inside the assignment, never under the lock;
        // or, with a handler delay, later on a thread of its own.
        if (simulation_->settings.handler_delay.count() == 0) {
            ready->Invoke(this, final_status());
            return S_OK;
        }
        return start_detached_thread([operation = reference(), ready = std::move(ready)] {
            std::this_thread::sleep_for(operation->simulation_->settings.handler_delay);
            ready->Invoke(operation.get(), operation->final_status());
        });
    }
    HRESULT STDMETHODCALLTYPE get_Completed(handler**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetResults(Result** results) override {
        simulation_->log.record("GetResults", "operation");
        *results = nullptr;
        {
            const std::lock_guard hold(lock_);
            if (!completed_) return E_ILLEGAL_METHOD_CALL;
        }
        const scenario& settings = simulation_->settings;
        if (settings.results < 0) return injected_failure(settings.results, settings.error);
        if (settings.results_null) return S_OK;
        return make_result_(results);
    }

    HRESULT STDMETHODCALLTYPE get_Status(winabi::AsyncStatus* status) override {
        simulation_->log.record("get_Status", "operation");
        const std::lock_guard hold(lock_);
        *status = completed_ ? final_status() : static_cast<winabi::AsyncStatus>(simulation_->settings.async_status);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Id(UINT32*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Cancel() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Close() override { return E_NOTIMPL; }

private:
    com_ptr<store_operation> reference() {
        this->AddRef();
        return com_ptr<store_operation>::attach(this);
    }

    winabi::AsyncStatus final_status() const {
        return simulation_->settings.results < 0 ? winabi::AsyncStatus::Error : winabi::AsyncStatus::Completed;
    }

    // From here on the operation reports its end; the handler follows after the scenario's delay.
    void complete() {
        com_ptr<handler> ready;
        {
            const std::lock_guard hold(lock_);
            completed_ = true;
            ready = std::move(handler_);
        }
        if (!ready) return;
        std::this_thread::sleep_for(simulation_->settings.handler_delay);
        ready->Invoke(this, final_status());
    }

    bool completed() {
        const std::lock_guard hold(lock_);
        return completed_;
    }

    // The worker thread: detached, so it touches nothing but what the operation holds.
    static void run_steps(const com_ptr<store_operation>& operation, steady_clock::time_point requested,
                          DWORD requester, const std::vector<timed_step>& steps) {
        for (const timed_step& step : steps) {
            sleep_until_reached(requested + step.at);
            switch (step.kind) {
            case step_kind::complete: operation->complete(); break;
            case step_kind::fault: write_through_bad_pointer(); break;
            case step_kind::fault_twice: fault_on_two_threads(); break;
            // Nobody waits to hear whether a post arrived: the scenario only disturbs the requester.
            case step_kind::post_quit: PostThreadMessageW(requester, WM_QUIT, 0, 0); break;
            case step_kind::post_message: PostThreadMessageW(requester, WM_USER, 0, 0); break;
            }
        }
        // An operation that never completes stays alive, held here, until the process ends.
        while (!operation->completed()) std::this_thread::sleep_for(std::chrono::hours(1));
    }

    const shared_simulation simulation_;
    const result_maker<Result> make_result_;
    std::mutex lock_;
    bool completed_;
    bool handler_assigned_ = false;
    com_ptr<handler> handler_;
};

} // namespace

template <class Result>
HRESULT start_operation(const shared_simulation& simulation, result_maker<Result> make_result,
                        winabi::IAsyncOperation<Result>** operation) {
    *operation = nullptr;
    store_operation<Result>* created = nullptr;
    try {
        created = new store_operation<Result>(simulation, std::move(make_result));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const auto started = com_ptr<store_operation<Result>>::attach(created);
    if (const HRESULT hr = started->start(); hr < 0) return hr;
    *operation = started.get();
    (*operation)->AddRef();
    return S_OK;
}

template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IStorePurchaseResult>,
                                 winabi::IPurchaseOperation**);
template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IStoreRateAndReviewResult>,
                                 winabi::IReviewOperation**);
template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IStoreAppLicense>,
                                 winabi::ILicenseOperation**);
template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IStoreProductQueryResult>,
                                 winabi::IProductQueryOperation**);
template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IStoreConsumableResult>,
                                 winabi::IConsumableOperation**);
template HRESULT start_operation(const shared_simulation&, result_maker<winabi::IPackageUpdates>,
                                 winabi::IPackageUpdatesOperation**);

} // namespace simstore
