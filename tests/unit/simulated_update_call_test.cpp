// The simulated Store's update call driven directly: the updates it receives,
// its progress reports with their values, times and borrowed strings, its
// operation's handlers and status, and its result with each package's status.
#include "abi/update_abi.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "simulated_context.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using winabi::StorePackageUpdateStatus;
using update_iterable = winabi::IIterable<winabi::IStorePackageUpdate*>;
using status_view = winabi::IVectorView<StorePackageUpdateStatus>;
using status_iterable = winabi::IIterable<StorePackageUpdateStatus>;
using status_iterator = winabi::IIterator<StorePackageUpdateStatus>;

std::string text_of(HSTRING text) {
    std::string out;
    for (const WCHAR unit : view_of(text)) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// FAMILY|STATE|PACKAGE|TOTAL|BYTES|SIZE, the fractions in hexadecimal so that every bit shows.
std::string describe(const StorePackageUpdateStatus& status) {
    std::ostringstream out;
    out << text_of(status.PackageFamilyName) << '|' << static_cast<int>(status.PackageUpdateState) << '|'
        << std::hexfloat << status.PackageDownloadProgress << '|' << status.TotalDownloadProgress << '|'
        << std::dec << status.PackageBytesDownloaded << '|' << status.PackageDownloadSizeInBytes;
    return out.str();
}

std::string hex(double value) {
    std::ostringstream out;
    out << std::hexfloat << value;
    return out.str();
}

// What both handlers of one update call saw: the reports as they came, and the end.
class update_watch {
public:
    struct report {
        std::string text;
        steady_clock::time_point at;
        bool after_end;
        bool on_worker;
    };

    explicit update_watch(std::thread::id requester) : requester_(requester) {}

    void reported(const StorePackageUpdateStatus& status) {
        const std::lock_guard hold(lock_);
        reports_.push_back({describe(status), steady_clock::now(), ended_, std::this_thread::get_id() != requester_});
        changed_.notify_all();
    }
    void ended(winabi::AsyncStatus status, HRESULT results, com_ptr<winabi::IStorePackageUpdateResult> result) {
        const std::lock_guard hold(lock_);
        ++ends_;
        ended_ = true;
        status_ = status;
        results_ = results;
        result_ = std::move(result);
        changed_.notify_all();
    }

    bool wait_for_end() {
        std::unique_lock hold(lock_);
        return changed_.wait_for(hold, 10s, [&] { return ended_; });
    }
    bool wait_for_reports(std::size_t count) {
        std::unique_lock hold(lock_);
        return changed_.wait_for(hold, 10s, [&] { return reports_.size() >= count; });
    }
    std::vector<report> reports() {
        const std::lock_guard hold(lock_);
        return reports_;
    }
    std::vector<std::string> report_texts() {
        std::vector<std::string> texts;
        for (const report& seen : reports()) texts.push_back(seen.text);
        return texts;
    }
    int ends() {
        const std::lock_guard hold(lock_);
        return ends_;
    }
    winabi::AsyncStatus status() {
        const std::lock_guard hold(lock_);
        return status_;
    }
    HRESULT results() {
        const std::lock_guard hold(lock_);
        return results_;
    }
    com_ptr<winabi::IStorePackageUpdateResult> result() {
        const std::lock_guard hold(lock_);
        return result_;
    }

private:
    const std::thread::id requester_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<report> reports_;
    bool ended_ = false;
    int ends_ = 0;
    winabi::AsyncStatus status_ = winabi::AsyncStatus::Started;
    HRESULT results_ = S_OK;
    com_ptr<winabi::IStorePackageUpdateResult> result_;
};

class progress_recorder final
    : public com_object<progress_recorder, winabi::IPackageUpdateOperation::progress_handler, IAgileObject> {
public:
    explicit progress_recorder(std::shared_ptr<update_watch> watch) : watch_(std::move(watch)) {}
    // The string is read here, during the call, the only time it is valid.
    HRESULT STDMETHODCALLTYPE Invoke(winabi::IPackageUpdateOperation*, StorePackageUpdateStatus report) override {
        watch_->reported(report);
        return S_OK;
    }

private:
    const std::shared_ptr<update_watch> watch_;
};

class completion_recorder final
    : public com_object<completion_recorder, winabi::IPackageUpdateOperation::completed_handler, IAgileObject> {
public:
    explicit completion_recorder(std::shared_ptr<update_watch> watch) : watch_(std::move(watch)) {}
    HRESULT STDMETHODCALLTYPE Invoke(winabi::IPackageUpdateOperation* operation, winabi::AsyncStatus status) override {
        com_ptr<winabi::IStorePackageUpdateResult> result;
        const HRESULT results = operation->GetResults(result.put());
        watch_->ended(status, results, std::move(result));
        return S_OK;
    }

private:
    const std::shared_ptr<update_watch> watch_;
};

enum class update_slot { download, download_and_install, silent_download, silent_download_and_install };

HRESULT call_update(winabi::IStoreContext* context, update_slot slot, update_iterable* updates,
                    winabi::IPackageUpdateOperation** operation) {
    switch (slot) {
    case update_slot::download: return context->RequestDownloadStorePackageUpdatesAsync(updates, operation);
    case update_slot::download_and_install:
        return context->RequestDownloadAndInstallStorePackageUpdatesAsync(updates, operation);
    default: break;
    }
    com_ptr<winabi::IStoreContext3> context3;
    EXPECT_EQ(query(context, winabi::IStoreContext3::iid, context3), S_OK);
    if (!context3) return E_NOINTERFACE;
    return slot == update_slot::silent_download
               ? context3->TrySilentDownloadStorePackageUpdatesAsync(updates, operation)
               : context3->TrySilentDownloadAndInstallStorePackageUpdatesAsync(updates, operation);
}

// The check's own view as the iterable the update call takes, as the bridge passes it.
com_ptr<update_iterable> checked_updates(winabi::IStoreContext* context) {
    com_ptr<winabi::IPackageUpdatesOperation> check;
    EXPECT_EQ(context->GetAppAndOptionalStorePackageUpdatesAsync(check.put()), S_OK);
    com_ptr<winabi::IPackageUpdates> view;
    if (check) {
        EXPECT_EQ(check->GetResults(view.put()), S_OK);
    }
    com_ptr<update_iterable> iterable;
    if (view) {
        EXPECT_EQ(query(view.get(), update_iterable::iid, iterable), S_OK);
    }
    return iterable;
}

struct update_run {
    com_ptr<winabi::IStoreContext> context;
    com_ptr<winabi::IPackageUpdateOperation> operation;
    std::shared_ptr<update_watch> watch;
    steady_clock::time_point called;
    HRESULT call = E_UNEXPECTED;
};

// The check completes at once ("after=now" comes first, so the scenario may
// change it); the update call gets every update it found, and the progress
// handler then the completion handler are assigned at once.
update_run start_update(const std::string& scenario, const std::filesystem::path& trace = {},
                        update_slot slot = update_slot::download_and_install) {
    update_run run;
    run.watch = std::make_shared<update_watch>(std::this_thread::get_id());
    run.context = context_for("after=now;" + scenario, trace);
    if (!run.context) return run;
    const auto updates = checked_updates(run.context.get());
    if (!updates) return run;
    run.called = steady_clock::now();
    run.call = call_update(run.context.get(), slot, updates.get(), run.operation.put());
    if (!run.operation) return run;
    const auto progress = com_ptr<progress_recorder>::attach(new progress_recorder(run.watch));
    const auto completion = com_ptr<completion_recorder>::attach(new completion_recorder(run.watch));
    EXPECT_EQ(run.operation->put_Progress(progress.get()), S_OK);
    EXPECT_EQ(run.operation->put_Completed(completion.get()), S_OK);
    return run;
}

// The lines of the trace that record `call`.
std::vector<std::string> lines_of(const trace_file& trace, std::string_view call) {
    std::vector<std::string> found;
    for (const std::string& line : trace.lines())
        if (line.find("\"call\":\"" + std::string(call) + "\"") != std::string::npos) found.push_back(line);
    return found;
}

TEST(simulated_update_call, each_slot_receives_the_families_in_the_order_the_iterable_gives_them) {
    const struct {
        update_slot slot;
        const char* call;
        const char* via;
    } slots[] = {
        {update_slot::download, "RequestDownloadStorePackageUpdatesAsync", "IStoreContext"},
        {update_slot::download_and_install, "RequestDownloadAndInstallStorePackageUpdatesAsync", "IStoreContext"},
        {update_slot::silent_download, "TrySilentDownloadStorePackageUpdatesAsync", "IStoreContext3"},
        {update_slot::silent_download_and_install, "TrySilentDownloadAndInstallStorePackageUpdatesAsync",
         "IStoreContext3"},
    };
    const struct {
        const char* scenario;
        const char* families;
    } checks[] = {
        {"", "[]"},
        {"package-update=Z_1", R"(["Z_1"])"},
        {"package-update=B_2;package-update=A_1,mandatory=true;package-update=C%22q_3", R"(["B_2","A_1","C\"q_3"])"},
    };
    for (const auto& slot : slots) {
        for (const auto& check : checks) {
            SCOPED_TRACE(std::string(slot.call) + " " + check.scenario);
            const trace_file trace;
            const update_run run = start_update(std::string("update-after=now;") + check.scenario, trace.path(),
                                                slot.slot);
            EXPECT_EQ(run.call, S_OK);
            ASSERT_TRUE(run.operation);
            EXPECT_EQ(lines_of(trace, slot.call),
                      std::vector<std::string>{std::string(R"({"call":")") + slot.call +
                                               R"(","object":"context","thread":"main","via":")" + slot.via +
                                               R"(","families":)" + check.families + "}"});
        }
    }
}

TEST(simulated_update_call, a_null_iterable_is_refused_and_traced_with_no_family) {
    const trace_file trace;
    const auto context = context_for("", trace.path());
    ASSERT_TRUE(context);
    com_ptr<winabi::IPackageUpdateOperation> operation;
    EXPECT_EQ(context->RequestDownloadStorePackageUpdatesAsync(nullptr, operation.put()), E_INVALIDARG);
    EXPECT_FALSE(operation);
    EXPECT_EQ(lines_of(trace, "RequestDownloadStorePackageUpdatesAsync"),
              std::vector<std::string>{R"({"call":"RequestDownloadStorePackageUpdatesAsync","object":"context",)"
                                       R"("thread":"main","via":"IStoreContext","families":[]})"});
}

// The Store reads each family through the update's package and identity: a failing read fails the call.
TEST(simulated_update_call, a_failing_read_of_an_update_fails_the_call) {
    const char* const fields[] = {"StorePackageUpdate.Package", "Package.Id", "PackageId.FamilyName"};
    for (const char* field : fields) {
        SCOPED_TRACE(field);
        const update_run run = start_update(std::string("package-update=A_1;fail=") + field + ":E_ACCESSDENIED");
        EXPECT_EQ(run.call, E_ACCESSDENIED);
        EXPECT_FALSE(run.operation);
    }
}

TEST(simulated_update_call, reports_arrive_in_time_order_on_the_worker_with_exact_values) {
    const update_run run = start_update(
        "package-update=A_1;package-update=B_2;update-after=400;"
        "progress=B_2:Deploying:1:1:18446744073709551615:18446744073709551615@300;"
        "progress=A_1:Downloading:nan:-0.5:0:4096@150;"
        "progress=A%5F1:ErrorWiFiRequired:2.5:1e-300:4096:4096@200;"
        "progress=Other_9:-3:0.1:0.2:1:2@300");
    ASSERT_TRUE(run.operation);
    ASSERT_TRUE(run.watch->wait_for_end());
    const std::vector<std::string> expected = {
        "A_1|1|" + hex(std::numeric_limits<double>::quiet_NaN()) + '|' + hex(-0.5) + "|0|4096",
        "A_1|8|" + hex(2.5) + '|' + hex(1e-300) + "|4096|4096",
        "B_2|2|" + hex(1.0) + '|' + hex(1.0) + "|18446744073709551615|18446744073709551615",
        "Other_9|-3|" + hex(0.1) + '|' + hex(0.2) + "|1|2",
    };
    EXPECT_EQ(run.watch->report_texts(), expected);
    const milliseconds due[] = {150ms, 200ms, 300ms, 300ms};
    const auto reports = run.watch->reports();
    for (std::size_t i = 0; i < reports.size() && i < std::size(due); ++i) {
        EXPECT_GE(reports[i].at - run.called, due[i]) << i;
        EXPECT_FALSE(reports[i].after_end) << i;
        EXPECT_TRUE(reports[i].on_worker) << i;
    }
    EXPECT_EQ(run.watch->ends(), 1);
}

TEST(simulated_update_call, without_progress_items_each_package_reports_once_halfway) {
    const struct {
        const char* scenario;
        std::vector<std::string> reports;
    } rows[] = {
        {"package-update=A_1;package-update=B_2;package-update=C_3;update-after=200",
         {"A_1|1|" + hex(0.5) + '|' + hex(0.5 / 3) + "|0|0", "B_2|1|" + hex(0.5) + '|' + hex(1.5 / 3) + "|0|0",
          "C_3|1|" + hex(0.5) + '|' + hex(2.5 / 3) + "|0|0"}},
        // The check's delay is the update's unless update-after says otherwise.
        {"package-update=A_1;after=300;update-after=now;after=now", {}},
        {"package-update=A_1;update-after=now", {}},
        {"update-after=200", {}},
        // With items, only the items.
        {"package-update=A_1;package-update=B_2;update-after=200;progress=B_2:Pending:0:0:0:0@150",
         {"B_2|0|" + hex(0.0) + '|' + hex(0.0) + "|0|0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const update_run run = start_update(row.scenario);
        ASSERT_TRUE(run.operation);
        ASSERT_TRUE(run.watch->wait_for_end());
        EXPECT_EQ(run.watch->report_texts(), row.reports);
        for (const auto& report : run.watch->reports()) {
            EXPECT_GE(report.at - run.called, 100ms);
            EXPECT_FALSE(report.after_end);
        }
    }
}

TEST(simulated_update_call, the_late_report_comes_after_the_end_as_a_copy_of_the_last) {
    const struct {
        const char* scenario;
        std::vector<std::string> reports; // the last one the late report
        milliseconds late_due;
    } rows[] = {
        {"package-update=A_1;update-after=150;late-progress=100;"
         "progress=A_1:Deploying:1:0.75:10:20@120;progress=A_1:Downloading:0.5:0.25:5:20@100",
         {"A_1|1|" + hex(0.5) + '|' + hex(0.25) + "|5|20", "A_1|2|" + hex(1.0) + '|' + hex(0.75) + "|10|20",
          "A_1|2|" + hex(1.0) + '|' + hex(0.75) + "|10|20"},
         250ms},
        {"package-update=A_1;package-update=B_2;update-after=200;late-progress=0",
         {"A_1|1|" + hex(0.5) + '|' + hex(0.25) + "|0|0", "B_2|1|" + hex(0.5) + '|' + hex(0.75) + "|0|0",
          "B_2|1|" + hex(0.5) + '|' + hex(0.75) + "|0|0"},
         200ms},
        // Completed at once: no report on the way, the default one late.
        {"package-update=A_1;package-update=B_2;update-after=now;late-progress=150",
         {"B_2|1|" + hex(0.5) + '|' + hex(0.75) + "|0|0"}, 150ms},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const update_run run = start_update(row.scenario);
        ASSERT_TRUE(run.operation);
        ASSERT_TRUE(run.watch->wait_for_reports(row.reports.size()));
        EXPECT_EQ(run.watch->report_texts(), row.reports);
        const auto reports = run.watch->reports();
        EXPECT_TRUE(reports.back().after_end);
        EXPECT_GE(reports.back().at - run.called, row.late_due);
        for (std::size_t i = 0; i + 1 < reports.size(); ++i) EXPECT_FALSE(reports[i].after_end) << i;
    }
}

TEST(simulated_update_call, no_late_report_without_an_end_or_anything_to_copy) {
    const char* const scenarios[] = {"package-update=A_1;update-after=never;late-progress=0",
                                     "update-after=50;late-progress=0"};
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        const update_run run = start_update(scenario);
        ASSERT_TRUE(run.operation);
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(run.watch->reports().empty());
    }
}

// The usual keys act on the check, the update-* keys on the update call alone.
TEST(simulated_update_call, the_update_keys_act_on_the_second_call_only) {
    const struct {
        const char* scenario;
        HRESULT check_request;
        HRESULT check_results;
        HRESULT call;
        bool operation;
        HRESULT update_results;
        bool result;
    } rows[] = {
        {"", S_OK, S_OK, S_OK, true, S_OK, true},
        {"update-request=E_ACCESSDENIED", S_OK, S_OK, E_ACCESSDENIED, false, S_OK, false},
        {"update-request=none", S_OK, S_OK, S_OK, false, S_OK, false},
        {"update-results=E_BOUNDS", S_OK, S_OK, S_OK, true, E_BOUNDS, false},
        {"update-results=null", S_OK, S_OK, S_OK, true, S_OK, false},
        {"results=E_BOUNDS", S_OK, E_BOUNDS, S_OK, true, S_OK, true},
        {"request=E_FAIL", E_FAIL, S_OK, S_OK, true, S_OK, true},
        {"request=none;update-request=E_ACCESSDENIED", S_OK, S_OK, E_ACCESSDENIED, false, S_OK, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const auto context = context_for(std::string("after=now;update-after=now;package-update=A_1;") + row.scenario);
        ASSERT_TRUE(context);
        // The check: its own request and results.
        com_ptr<winabi::IPackageUpdatesOperation> check;
        EXPECT_EQ(context->GetAppAndOptionalStorePackageUpdatesAsync(check.put()), row.check_request);
        if (check) {
            com_ptr<winabi::IPackageUpdates> view;
            EXPECT_EQ(check->GetResults(view.put()), row.check_results);
        }
        // The update call, on the updates of another, plain check.
        const auto updates = checked_updates(context_for("after=now;package-update=A_1").get());
        ASSERT_TRUE(updates);
        com_ptr<winabi::IPackageUpdateOperation> operation;
        EXPECT_EQ(context->RequestDownloadAndInstallStorePackageUpdatesAsync(updates.get(), operation.put()),
                  row.call);
        ASSERT_EQ(operation.get() != nullptr, row.operation);
        if (!operation) continue;
        com_ptr<winabi::IStorePackageUpdateResult> result;
        EXPECT_EQ(operation->GetResults(result.put()), row.update_results);
        EXPECT_EQ(result.get() != nullptr, row.result);
        com_ptr<winabi::IAsyncInfo> info;
        ASSERT_EQ(query(operation.get(), winabi::IAsyncInfo::iid, info), S_OK);
        auto status = winabi::AsyncStatus::Started;
        EXPECT_EQ(info->get_Status(&status), S_OK);
        EXPECT_EQ(status, row.update_results < 0 ? winabi::AsyncStatus::Error : winabi::AsyncStatus::Completed);
    }
}

TEST(simulated_update_call, update_after_times_the_update_call_not_the_check) {
    const struct {
        const char* scenario;
        bool check_done;
        bool update_done;
    } rows[] = {
        {"after=now;update-after=never", true, false},
        {"after=never;update-after=now", false, true},
        {"after=now", true, true},
        {"after=never", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const auto context = context_for(std::string("package-update=A_1;") + row.scenario);
        ASSERT_TRUE(context);
        com_ptr<winabi::IPackageUpdatesOperation> check;
        ASSERT_EQ(context->GetAppAndOptionalStorePackageUpdatesAsync(check.put()), S_OK);
        com_ptr<winabi::IPackageUpdates> view;
        EXPECT_EQ(check->GetResults(view.put()), row.check_done ? S_OK : E_ILLEGAL_METHOD_CALL);
        const auto updates = checked_updates(context_for("after=now;package-update=A_1").get());
        ASSERT_TRUE(updates);
        com_ptr<winabi::IPackageUpdateOperation> operation;
        ASSERT_EQ(context->RequestDownloadStorePackageUpdatesAsync(updates.get(), operation.put()), S_OK);
        com_ptr<winabi::IStorePackageUpdateResult> result;
        EXPECT_EQ(operation->GetResults(result.put()), row.update_done ? S_OK : E_ILLEGAL_METHOD_CALL);
    }
}

TEST(simulated_update_call, handlers_are_assigned_once_and_a_late_completion_handler_runs_at_once) {
    const auto context = context_for("after=now;update-after=200;package-update=A_1");
    ASSERT_TRUE(context);
    const auto updates = checked_updates(context.get());
    ASSERT_TRUE(updates);
    com_ptr<winabi::IPackageUpdateOperation> operation;
    ASSERT_EQ(context->RequestDownloadStorePackageUpdatesAsync(updates.get(), operation.put()), S_OK);
    com_ptr<winabi::IAsyncInfo> info;
    ASSERT_EQ(query(operation.get(), winabi::IAsyncInfo::iid, info), S_OK);
    com_ptr<IAgileObject> agile;
    EXPECT_EQ(query(operation.get(), iid_of<IAgileObject>, agile), S_OK);
    auto status = winabi::AsyncStatus::Error;
    EXPECT_EQ(info->get_Status(&status), S_OK);
    EXPECT_EQ(status, winabi::AsyncStatus::Started);

    const auto watch = std::make_shared<update_watch>(std::this_thread::get_id());
    const auto progress = com_ptr<progress_recorder>::attach(new progress_recorder(watch));
    EXPECT_EQ(operation->put_Progress(nullptr), E_POINTER);
    EXPECT_EQ(operation->put_Progress(progress.get()), S_OK);
    EXPECT_EQ(operation->put_Progress(progress.get()), E_ILLEGAL_DELEGATE_ASSIGNMENT);
    ASSERT_TRUE(watch->wait_for_reports(1)); // the default report, at 100 ms
    std::this_thread::sleep_for(250ms);      // past the end, with no completion handler yet
    EXPECT_EQ(info->get_Status(&status), S_OK);
    EXPECT_EQ(status, winabi::AsyncStatus::Completed);

    const auto completion = com_ptr<completion_recorder>::attach(new completion_recorder(watch));
    EXPECT_EQ(operation->put_Completed(completion.get()), S_OK);
    EXPECT_EQ(watch->ends(), 1); // inside the assignment
    EXPECT_EQ(watch->status(), winabi::AsyncStatus::Completed);
    EXPECT_EQ(operation->put_Completed(completion.get()), E_ILLEGAL_DELEGATE_ASSIGNMENT);
    EXPECT_EQ(watch->ends(), 1);
    EXPECT_EQ(watch->report_texts().size(), 1u);
}

// Every status, as GetAt hands it out: the caller's own copy, freed here.
std::vector<std::string> statuses_of(winabi::IStorePackageUpdateResult* result) {
    com_ptr<status_view> view;
    EXPECT_EQ(result->get_StorePackageUpdateStatuses(view.put()), S_OK);
    std::vector<std::string> described;
    UINT32 size = 0;
    if (!view || view->get_Size(&size) != S_OK) return {"no view"};
    for (UINT32 i = 0; i < size; ++i) {
        StorePackageUpdateStatus status{};
        EXPECT_EQ(view->GetAt(i, &status), S_OK);
        const unique_hstring family(status.PackageFamilyName);
        described.push_back(describe(status));
    }
    return described;
}

TEST(simulated_update_call, the_result_gives_each_package_in_the_order_received_with_its_state) {
    const struct {
        const char* scenario;
        int overall;
        std::vector<std::string> statuses;
    } rows[] = {
        {"", 3, {}},
        {"package-update=B_2;package-update=A_1", 3,
         {"B_2|3|" + hex(0.0) + '|' + hex(0.0) + "|0|0", "A_1|3|" + hex(0.0) + '|' + hex(0.0) + "|0|0"}},
        {"package-update=B_2;package-update=A_1;update-state=OtherError;package-state=A_1:Canceled;"
         "package-state=Gone_0:Completed;package-state=A_1:ErrorLowBattery",
         5,
         {"B_2|5|" + hex(0.0) + '|' + hex(0.0) + "|0|0", "A_1|6|" + hex(0.0) + '|' + hex(0.0) + "|0|0"}},
        // The figures of the package's last report in time; its state from the state keys.
        {"package-update=A_1;package-update=B_2;update-state=12;"
         "progress=A_1:Deploying:1:0.5:7:8@30;progress=A_1:Downloading:0.25:0.125:3:8@10;"
         "progress=B_2:Pending:0.5:0.75:18446744073709551615:1@20",
         12,
         {"A_1|12|" + hex(1.0) + '|' + hex(0.5) + "|7|8",
          "B_2|12|" + hex(0.5) + '|' + hex(0.75) + "|18446744073709551615|1"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const update_run run = start_update(std::string("update-after=50;") + row.scenario);
        ASSERT_TRUE(run.operation);
        ASSERT_TRUE(run.watch->wait_for_end());
        EXPECT_EQ(run.watch->results(), S_OK);
        const auto result = run.watch->result();
        ASSERT_TRUE(result);
        auto overall = static_cast<winabi::StorePackageUpdateState>(-1);
        EXPECT_EQ(result->get_OverallState(&overall), S_OK);
        EXPECT_EQ(static_cast<int>(overall), row.overall);
        EXPECT_EQ(statuses_of(result.get()), row.statuses);
    }
}

TEST(simulated_update_call, the_status_view_hands_out_copies_and_is_its_own_iterable) {
    const update_run run = start_update("update-after=now;package-update=A_1;package-update=B_2;package-update=C_3");
    ASSERT_TRUE(run.operation);
    ASSERT_TRUE(run.watch->wait_for_end());
    const auto result = run.watch->result();
    ASSERT_TRUE(result);
    com_ptr<status_view> view;
    ASSERT_EQ(result->get_StorePackageUpdateStatuses(view.put()), S_OK);

    // Each GetAt is a string of its own: one freed leaves the other intact.
    StorePackageUpdateStatus first{}, again{};
    ASSERT_EQ(view->GetAt(1, &first), S_OK);
    ASSERT_EQ(view->GetAt(1, &again), S_OK);
    EXPECT_NE(first.PackageFamilyName, again.PackageFamilyName);
    WindowsDeleteString(first.PackageFamilyName);
    const unique_hstring kept(again.PackageFamilyName);
    EXPECT_EQ(text_of(kept.get()), "B_2");

    StorePackageUpdateStatus beyond{};
    beyond.PackageDownloadSizeInBytes = 9;
    EXPECT_EQ(view->GetAt(3, &beyond), E_BOUNDS);
    EXPECT_EQ(beyond.PackageFamilyName, nullptr);
    EXPECT_EQ(beyond.PackageDownloadSizeInBytes, 0u);
    UINT32 index = 9;
    boolean found = true;
    EXPECT_EQ(view->IndexOf(again, &index, &found), E_NOTIMPL);

    const auto take_many = [](auto get_many, std::vector<std::string>& into) {
        StorePackageUpdateStatus batch[2] = {};
        UINT32 actual = 9;
        const HRESULT hr = get_many(batch, &actual);
        for (UINT32 i = 0; i < actual && i < 2; ++i) {
            const unique_hstring family(batch[i].PackageFamilyName);
            into.push_back(text_of(family.get()));
        }
        return hr == S_OK ? actual : 99u;
    };
    std::vector<std::string> many;
    EXPECT_EQ(take_many([&](StorePackageUpdateStatus* out, UINT32* actual) { return view->GetMany(1, 2, out, actual); },
                        many),
              2u);
    EXPECT_EQ(take_many([&](StorePackageUpdateStatus* out, UINT32* actual) { return view->GetMany(3, 2, out, actual); },
                        many),
              0u);
    EXPECT_EQ(many, (std::vector<std::string>{"B_2", "C_3"}));
    StorePackageUpdateStatus none[1] = {};
    UINT32 actual = 9;
    EXPECT_EQ(view->GetMany(4, 1, none, &actual), E_BOUNDS);
    EXPECT_EQ(actual, 0u);

    com_ptr<status_iterable> iterable;
    ASSERT_EQ(query(view.get(), status_iterable::iid, iterable), S_OK);
    com_ptr<status_iterator> iterator;
    ASSERT_EQ(iterable->First(iterator.put()), S_OK);
    std::vector<std::string> walked;
    boolean has_current = false;
    ASSERT_EQ(iterator->get_HasCurrent(&has_current), S_OK);
    while (has_current && walked.size() < 4) {
        StorePackageUpdateStatus current{};
        ASSERT_EQ(iterator->get_Current(&current), S_OK);
        const unique_hstring family(current.PackageFamilyName);
        walked.push_back(text_of(family.get()));
        ASSERT_EQ(iterator->MoveNext(&has_current), S_OK);
    }
    EXPECT_EQ(walked, (std::vector<std::string>{"A_1", "B_2", "C_3"}));
    StorePackageUpdateStatus past{};
    EXPECT_EQ(iterator->get_Current(&past), E_BOUNDS);

    com_ptr<status_iterator> batches;
    ASSERT_EQ(iterable->First(batches.put()), S_OK);
    std::vector<std::string> taken;
    EXPECT_EQ(take_many([&](StorePackageUpdateStatus* out, UINT32* got) { return batches->GetMany(2, out, got); },
                        taken),
              2u);
    EXPECT_EQ(take_many([&](StorePackageUpdateStatus* out, UINT32* got) { return batches->GetMany(2, out, got); },
                        taken),
              1u);
    EXPECT_EQ(taken, (std::vector<std::string>{"A_1", "B_2", "C_3"}));
}

TEST(simulated_update_call, a_failing_field_of_the_result_gives_its_own_failure) {
    const struct {
        const char* scenario;
        HRESULT overall;
        HRESULT statuses;
    } rows[] = {
        {"", S_OK, S_OK},
        {"fail=StorePackageUpdateResult.OverallState:E_ACCESSDENIED", E_ACCESSDENIED, S_OK},
        {"fail=StorePackageUpdateResult.StorePackageUpdateStatuses:0x80001234", S_OK,
         static_cast<HRESULT>(0x80001234)},
        {"fail=ProductQueryResult.Products:E_FAIL", S_OK, S_OK},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        const update_run run = start_update(std::string("update-after=now;package-update=A_1;") + row.scenario);
        ASSERT_TRUE(run.operation);
        ASSERT_TRUE(run.watch->wait_for_end());
        const auto result = run.watch->result();
        ASSERT_TRUE(result);
        auto overall = static_cast<winabi::StorePackageUpdateState>(-1);
        EXPECT_EQ(result->get_OverallState(&overall), row.overall);
        EXPECT_EQ(static_cast<int>(overall), row.overall < 0 ? 0 : 3);
        com_ptr<status_view> view;
        EXPECT_EQ(result->get_StorePackageUpdateStatuses(view.put()), row.statuses);
        EXPECT_EQ(view.get() != nullptr, row.statuses == S_OK);
    }
}

TEST(simulated_update_call, the_trace_names_every_call_of_the_update) {
    const trace_file trace;
    {
        const update_run run = start_update("update-after=now;package-update=A_1", trace.path(),
                                            update_slot::silent_download_and_install);
        ASSERT_TRUE(run.operation);
        ASSERT_TRUE(run.watch->wait_for_end());
        const auto result = run.watch->result();
        ASSERT_TRUE(result);
        statuses_of(result.get());
        auto overall = winabi::StorePackageUpdateState::Pending;
        EXPECT_EQ(result->get_OverallState(&overall), S_OK);
    }
    const std::vector<std::string> expected = {
        R"({"call":"GetDefault","object":"factory","thread":"main"})",
        R"({"call":"GetAppAndOptionalStorePackageUpdatesAsync","object":"context","thread":"main","via":"IStoreContext"})",
        R"({"call":"GetResults","object":"operation","thread":"main"})",
        R"({"call":"QueryInterface","object":"context","thread":"main","interface":"IStoreContext3"})",
        R"({"call":"get_Package","object":"packageUpdate","thread":"main","via":"IStorePackageUpdate"})",
        R"({"call":"get_Id","object":"package","thread":"main","via":"IPackage"})",
        R"({"call":"get_FamilyName","object":"packageId","thread":"main","via":"IPackageId"})",
        R"({"call":"TrySilentDownloadAndInstallStorePackageUpdatesAsync","object":"context","thread":"main",)"
        R"("via":"IStoreContext3","families":["A_1"]})",
        R"({"call":"put_Progress","object":"operation","thread":"main"})",
        R"({"call":"put_Completed","object":"operation","thread":"main"})",
        R"({"call":"GetResults","object":"operation","thread":"main"})",
        // The check's view, which the update call only borrowed.
        R"({"call":"Release","object":"result","thread":"main"})",
        R"({"call":"get_StorePackageUpdateStatuses","object":"result","thread":"main",)"
        R"("via":"IStorePackageUpdateResult"})",
        R"({"call":"get_OverallState","object":"result","thread":"main","via":"IStorePackageUpdateResult"})",
        R"({"call":"Release","object":"result","thread":"main"})",
    };
    EXPECT_EQ(trace.lines(), expected);
}

} // namespace
