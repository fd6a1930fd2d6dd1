// What a scenario asks of the portable platform: windows of other processes,
// and windows or events that cannot be made. The scenario is read once per
// process, so every case runs in a child process with its own scenario.
#include "platform/posix/simulation.h"
#include "platform/win.h"
#include "waits/operation_wait.h"

#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

HWND handle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

HWND create_static(HWND owner) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, WIDE("STATIC"), WIDE(""), WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, owner,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Runs body in the child with STORE_BRIDGE_SIM set; its failures reach the
// parent's report through the child's standard error.
void in_scenario(const char* scenario, const std::function<void()>& body) {
    // A fresh process, not a fork of this one, which has read its scenario already.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto child = [&] {
        setenv("STORE_BRIDGE_SIM", scenario, 1);
        testing::TestPartResultArray results;
        {
            testing::ScopedFakeTestPartResultReporter reporter(
                testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
            body();
        }
        bool failed = false;
        for (int i = 0; i < results.size(); ++i) {
            const testing::TestPartResult& result = results.GetTestPartResult(i);
            if (!result.failed()) continue;
            failed = true;
            std::fprintf(stderr, "%s:%d: %s\n", result.file_name(), result.line_number(), result.message());
        }
        std::exit(failed ? 1 : 0);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "") << "scenario: " << scenario;
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(platform_scenario, declared_windows_are_other_processes_windows) {
    in_scenario("window=5000:100,200,901,601;window=5001:norect", [] {
        const HWND with_rect = handle(5000);
        const HWND without_rect = handle(5001);
        EXPECT_TRUE(IsWindow(with_rect));
        EXPECT_TRUE(IsWindow(without_rect));
        EXPECT_FALSE(IsWindow(handle(5002)));

        RECT rect{};
        ASSERT_TRUE(GetWindowRect(with_rect, &rect));
        EXPECT_EQ(rect.left, 100);
        EXPECT_EQ(rect.top, 200);
        EXPECT_EQ(rect.right, 901);
        EXPECT_EQ(rect.bottom, 601);
        SetLastError(0);
        EXPECT_FALSE(GetWindowRect(without_rect, &rect));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

        EXPECT_TRUE(SetForegroundWindow(without_rect));
        EXPECT_EQ(GetForegroundWindow(), without_rect);

        const HWND owned = create_static(with_rect);
        ASSERT_NE(owned, nullptr);
        EXPECT_EQ(GetWindow(owned, GW_OWNER), with_rect);

        // Known by handle, rectangle and lifetime only: the rest is refused.
        const auto expect_denied = [](bool failed) {
            EXPECT_TRUE(failed);
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
            SetLastError(0);
        };
        WCHAR name[8];
        expect_denied(!DestroyWindow(with_rect));
        expect_denied(!ShowWindow(with_rect, SW_HIDE));
        expect_denied(!PostMessageW(with_rect, WM_NULL, 0, 0));
        expect_denied(GetClassNameW(with_rect, name, 8) == 0);
        expect_denied(GetWindowLongPtrW(with_rect, GWL_STYLE) == 0);
        expect_denied(GetWindow(with_rect, GW_OWNER) == nullptr);
        EXPECT_TRUE(IsWindow(with_rect));
    });
}

TEST(platform_scenario, declared_window_closes_at_its_time) {
    in_scenario("window=5002:-3,-5,0,0:close=1000", [] {
        const HWND host = handle(5002);
        const auto closes = process_start() + 1000ms;
        ASSERT_LT(std::chrono::steady_clock::now(), closes) << "the child started too late to see the window open";
        EXPECT_TRUE(IsWindow(host));
        const HWND owned = create_static(host);
        ASSERT_NE(owned, nullptr);

        std::this_thread::sleep_until(closes + 50ms);
        EXPECT_FALSE(IsWindow(host));
        RECT rect{};
        SetLastError(0);
        EXPECT_FALSE(GetWindowRect(host, &rect));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_EQ(create_static(host), nullptr);
        // The anchor of another process's window outlives it, without owner.
        EXPECT_TRUE(IsWindow(owned));
        EXPECT_EQ(GetWindow(owned, GW_OWNER), nullptr);
    });
}

TEST(platform_scenario, declared_window_goes_with_its_process) {
    in_scenario("window=5003:0,0,10,10:exit=1000;window=5004:norect", [] {
        const HWND host = handle(5003);
        DWORD process_id = 0;
        EXPECT_EQ(GetWindowThreadProcessId(host, &process_id), 5003u);
        ASSERT_EQ(process_id, 5003u);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
        // A wait on the process ends at its end, not at the wait's time-out.
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &process, 5000, QS_ALLINPUT, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0);
        EXPECT_GE(std::chrono::steady_clock::now(), process_start() + 1000ms);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
        EXPECT_FALSE(IsWindow(host));
        EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(CloseHandle(process));
        // Gone, and nobody holds it open: it cannot be opened any more.
        SetLastError(0);
        EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, 5003), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        // A window without an end lives on, and so does its process.
        ASSERT_TRUE(GetWindowThreadProcessId(handle(5004), &process_id));
        const HANDLE lasting = OpenProcess(SYNCHRONIZE, FALSE, process_id);
        ASSERT_NE(lasting, nullptr);
        EXPECT_EQ(WaitForSingleObject(lasting, 100), WAIT_TIMEOUT);
        CloseHandle(lasting);
        // No declared window, no process to open; no window, no process id.
        EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, 4), nullptr);
        EXPECT_EQ(GetWindowThreadProcessId(handle(5005), &process_id), 0u);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    });
}

TEST(platform_scenario, own_windows_never_take_a_declared_handle) {
    // 0x200010 and 0x200020 are the first handles the platform would give.
    in_scenario("window=2097168:norect;window=2097184:norect", [] {
        const HWND first = create_static(nullptr);
        const HWND second = create_static(nullptr);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        for (HWND own : {first, second}) {
            EXPECT_NE(own, handle(2097168));
            EXPECT_NE(own, handle(2097184));
            RECT rect{};
            EXPECT_TRUE(GetWindowRect(own, &rect));
        }
        EXPECT_NE(first, second);
    });
}

TEST(platform_scenario, anchor_and_event_failures) {
    struct failure_case {
        const char* scenario;
        bool window_fails;
        bool event_fails;
    };
    for (const failure_case c : {failure_case{"anchor=fail", true, false}, failure_case{"event=fail", false, true},
                                 failure_case{"anchor=fail;event=fail", true, true}}) {
        in_scenario(c.scenario, [c] {
            SetLastError(0);
            const HWND window = create_static(nullptr);
            EXPECT_EQ(window == nullptr, c.window_fails);
            EXPECT_EQ(GetLastError() != 0, c.window_fails);
            SetLastError(0);
            const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            EXPECT_EQ(event == nullptr, c.event_fails);
            EXPECT_EQ(GetLastError() != 0, c.event_fails);
        });
    }
}

// The wait's owner watch: a host's window that closes (before the wait or
// during it), or whose process ends, ends the wait even while the queue is kept
// busy with messages; a handler's wake-up ends it while the window stays.
TEST(platform_scenario, owner_watch_ends_the_wait) {
    struct watch_case {
        const char* name;
        const char* scenario;
        bool handler_completes;
        wait_end expected;
    };
    const watch_case cases[] = {
        {"window closes", "window=5006:0,0,10,10:close=400", false, wait_end::owner_closed},
        {"process ends", "window=5006:0,0,10,10:exit=400", false, wait_end::owner_closed},
        {"window stays", "window=5006:0,0,10,10", true, wait_end::completed},
        {"window gone before the wait", "window=5006:0,0,10,10:close=1", false, wait_end::owner_closed},
    };
    for (const watch_case& c : cases) {
        SCOPED_TRACE(c.name);
        in_scenario(c.scenario, [c] {
            struct outcome_flag {
                std::atomic<bool> done{false};
                unique_handle event; // none: the handler's wake-up comes as a message
                bool is_done() const { return done.load(); }
            } outcome;
            const owner_watch watch(handle(5006));
            const DWORD waiting_thread = GetCurrentThreadId();
            std::atomic<bool> stop{false};
            // A message every 5 ms, far more often than the window is looked at.
            std::thread busy([&] {
                for (int sent = 0; !stop.load(); ++sent) {
                    if (c.handler_completes && sent == 80) outcome.done.store(true);
                    PostThreadMessageW(waiting_thread, WM_NULL, 0, 0);
                    std::this_thread::sleep_for(5ms);
                }
            });
            const wait_end end = service_queue(outcome, watch, purchase_wait);
            stop.store(true);
            busy.join();
            EXPECT_EQ(end, c.expected);
        });
    }
}

} // namespace
