#include "error_information.h"
#include "faults.h"
#include "operation.h"
#include "update_result_objects.h"
#include "worker_thread.h"
#include "../abi/consumable_abi.h"
#include "../abi/update_abi.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"
#include "../platform/hstring.h"

#include <algorithm>
#include <latch>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace simstore {

operation_plan request_plan(const scenario& settings) {
    return {settings.completes, settings.after, settings.async_status, settings.results, settings.results_null,
            settings.crash, std::nullopt, {}, std::nullopt};
}

namespace {

using std::chrono::steady_clock;

// What the worker thread does, and when, counted from the request.
enum class step_kind { complete, fault, fault_twice, post_quit, post_message, progress };

struct timed_step {
    milliseconds at;
    step_kind kind;
    const progress_report* report = nullptr; // the plan's, for a progress step
};

bool faults_on_worker(const operation_plan& plan) {
    return plan.crash == crash_kind::worker || plan.crash == crash_kind::twice;
}

// A fault on the worker replaces the completion; "now" then means at once.
bool completes_at_creation(const operation_plan& plan) {
    return plan.completes == completion::at_creation && !faults_on_worker(plan);
}

// Steps at the same moment keep this order: reports, the end, the late report, posts, the extra fault.
std::vector<timed_step> worker_steps(const operation_plan& plan, const std::vector<posted_message>& posts) {
    std::vector<timed_step> steps;
    for (const progress_report& report : plan.progress)
        steps.push_back({report.after_request, step_kind::progress, &report});
    if (plan.completes != completion::never) {
        const milliseconds at = plan.completes == completion::after_delay ? plan.after : milliseconds{0};
        if (plan.crash == crash_kind::worker) steps.push_back({at, step_kind::fault});
        else if (plan.crash == crash_kind::twice) steps.push_back({at, step_kind::fault_twice});
        else if (plan.completes == completion::after_delay) steps.push_back({at, step_kind::complete});
    }
    if (plan.late_progress)
        steps.push_back({plan.late_progress->after_request, step_kind::progress, &*plan.late_progress});
    for (const posted_message& post : posts)
        steps.push_back({post.after_request, post.quit ? step_kind::post_quit : step_kind::post_message});
    if (plan.fault_at) steps.push_back({*plan.fault_at, step_kind::fault});
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

// What the operation's interface adds to the common part: nothing, or the
// progress handler's place and the delivery of a report to it.
template <class Derived, class Operation>
class progress_part : public Operation {
protected:
    static constexpr bool reports_progress = false;
};

template <class Derived, class Result>
class progress_part<Derived, winabi::IAsyncOperationWithProgress<Result, winabi::StorePackageUpdateStatus>>
    : public winabi::IAsyncOperationWithProgress<Result, winabi::StorePackageUpdateStatus> {
    using handler =
        typename winabi::IAsyncOperationWithProgress<Result, winabi::StorePackageUpdateStatus>::progress_handler;

public:
    HRESULT STDMETHODCALLTYPE put_Progress(handler* assigned) override {
        static_cast<Derived*>(this)->simulation_->log.record("put_Progress", "operation");
        if (!assigned) return E_POINTER;
        const std::lock_guard hold(lock_);
        if (handler_) return E_ILLEGAL_DELEGATE_ASSIGNMENT;
        handler_ = com_ptr<handler>::copy_from(assigned);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Progress(handler**) override { return E_NOTIMPL; }

protected:
    static constexpr bool reports_progress = true;

    // The report's string is the Store's, made for this call and freed after it.
    // A report before any handler is assigned is lost, as on the platform.
    void deliver(const package_update_status& report) {
        com_ptr<handler> ready;
        {
            const std::lock_guard hold(lock_);
            ready = handler_;
        }
        winabi::StorePackageUpdateStatus status{};
        if (!ready || copy_status(report, &status) < 0) return;
        const unique_hstring family(status.PackageFamilyName);
        ready->Invoke(this, status);
    }

private:
    std::mutex lock_;
    com_ptr<handler> handler_;
};

template <class Operation>
class store_operation final
    : public com_object<store_operation<Operation>, progress_part<store_operation<Operation>, Operation>,
                        winabi::IAsyncInfo, IAgileObject> {
    using Result = typename Operation::result_type;
    using handler = typename Operation::completed_handler;
    using progress = progress_part<store_operation, Operation>;
    friend progress;

public:
    store_operation(shared_simulation simulation, operation_plan plan, result_maker<Result> make_result)
        : simulation_(std::move(simulation)), plan_(std::move(plan)), make_result_(std::move(make_result)),
          completed_(completes_at_creation(plan_)) {}

    // Runs on the requesting thread, before anyone else knows the operation.
    // A pending operation always has a worker, whose reference keeps the
    // operation alive until it completes, whoever else lets go of it.
    HRESULT start() {
        std::vector<timed_step> steps = worker_steps(plan_, simulation_->settings.posts);
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
        if (plan_.results < 0) return injected_failure(plan_.results, simulation_->settings.error);
        if (plan_.results_null) return S_OK;
        return make_result_(results);
    }

    HRESULT STDMETHODCALLTYPE get_Status(winabi::AsyncStatus* status) override {
        simulation_->log.record("get_Status", "operation");
        const std::lock_guard hold(lock_);
        *status = completed_ ? final_status() : static_cast<winabi::AsyncStatus>(plan_.async_status);
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
        return plan_.results < 0 ? winabi::AsyncStatus::Error : winabi::AsyncStatus::Completed;
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
            case step_kind::progress:
                if constexpr (progress::reports_progress) operation->deliver(step.report->status);
                break;
            }
        }
        // An operation that never completes stays alive, held here, until the process ends.
        while (!operation->completed()) std::this_thread::sleep_for(std::chrono::hours(1));
    }

    const shared_simulation simulation_;
    const operation_plan plan_;
    const result_maker<Result> make_result_;
    std::mutex lock_;
    bool completed_;
    bool handler_assigned_ = false;
    com_ptr<handler> handler_;
};

} // namespace

template <class Operation>
HRESULT start_operation(const shared_simulation& simulation, operation_plan plan,
                        result_maker<typename Operation::result_type> make_result, Operation** operation) {
    *operation = nullptr;
    store_operation<Operation>* created = nullptr;
    try {
        created = new store_operation<Operation>(simulation, std::move(plan), std::move(make_result));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const auto started = com_ptr<store_operation<Operation>>::attach(created);
    if (const HRESULT hr = started->start(); hr < 0) return hr;
    *operation = started.get();
    (*operation)->AddRef();
    return S_OK;
}

template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStorePurchaseResult>,
                                 winabi::IPurchaseOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStoreRateAndReviewResult>,
                                 winabi::IReviewOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStoreAppLicense>,
                                 winabi::ILicenseOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStoreProductQueryResult>,
                                 winabi::IProductQueryOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStoreProductResult>,
                                 winabi::IProductOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::hstring_abi>,
                                 winabi::IStringOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStoreConsumableResult>,
                                 winabi::IConsumableOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IPackageUpdates>,
                                 winabi::IPackageUpdatesOperation**);
template HRESULT start_operation(const shared_simulation&, operation_plan, result_maker<winabi::IStorePackageUpdateResult>,
                                 winabi::IPackageUpdateOperation**);

} // namespace simstore
