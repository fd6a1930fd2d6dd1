// The portable window table: what creation records and reports back, the class
// and owner rules, visibility, the foreground, and who may destroy a window.
#include "platform/win.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

namespace {

// Far from any handle the platform hands out, and declared by no scenario.
const HWND no_window = reinterpret_cast<HWND>(std::uintptr_t{0x7777});

HWND create_static(DWORD style, HWND owner = nullptr, LPCWSTR class_name = WIDE("STATIC")) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, class_name, WIDE(""), style, 0, 0, 1, 1, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

wide_string class_of(HWND window) {
    WCHAR name[32] = {};
    const int length = GetClassNameW(window, name, 32);
    return wide_string(name, length > 0 ? length : 0);
}

struct creation_case {
    const char* name;
    LPCWSTR class_name;
    DWORD ex_style;
    DWORD style;
    RECT place; // x, y, width, height
    RECT rect;
};

const creation_case creation_cases[] = {
    {"purchase anchor", WIDE("STATIC"), WS_EX_TOOLWINDOW, WS_POPUP, {0, 0, 1, 1}, {0, 0, 1, 1}},
    {"review anchor", WIDE("STATIC"), WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, {500, 400, 1, 1}, {500, 400, 501, 401}},
    {"negative place", WIDE("static"), 0, WS_POPUP | WS_VISIBLE, {-600, -2, 1, 1}, {-600, -2, -599, -1}},
    {"larger", WIDE("Static"), WS_EX_TOOLWINDOW, WS_POPUP, {10, 20, 300, 200}, {10, 20, 310, 220}},
};

TEST(window_system, creation_is_recorded_and_reported_back) {
    for (const creation_case& c : creation_cases) {
        SCOPED_TRACE(c.name);
        const HWND window = CreateWindowExW(c.ex_style, c.class_name, WIDE("title"), c.style, c.place.left, c.place.top,
                                            c.place.right, c.place.bottom, nullptr, nullptr, GetModuleHandleW(nullptr),
                                            nullptr);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(class_of(window), WIDE("Static"));
        // Windows adds WS_CLIPSIBLINGS to every top-level window.
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), c.style | WS_CLIPSIBLINGS);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), c.ex_style);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, (c.style & WS_VISIBLE) != 0);
        RECT rect{};
        ASSERT_TRUE(GetWindowRect(window, &rect));
        EXPECT_EQ(rect.left, c.rect.left);
        EXPECT_EQ(rect.top, c.rect.top);
        EXPECT_EQ(rect.right, c.rect.right);
        EXPECT_EQ(rect.bottom, c.rect.bottom);
        EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
        EXPECT_TRUE(DestroyWindow(window));
    }
}

TEST(window_system, only_the_static_class_exists) {
    for (LPCWSTR class_name : {WIDE("BUTTON"), WIDE("STATICS"), WIDE("STATI"), WIDE(""), WIDE("ST\u00C4TIC")}) {
        SCOPED_TRACE(testing::PrintToString(wide_string(class_name)));
        SetLastError(0);
        EXPECT_EQ(create_static(WS_POPUP, nullptr, class_name), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    }
}

TEST(window_system, owner_must_be_a_window) {
    const HWND owner = create_static(WS_POPUP);
    const HWND owned = create_static(WS_POPUP | WS_VISIBLE, owner);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);

    SetLastError(0);
    EXPECT_EQ(create_static(WS_POPUP, no_window), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    // Destroying the owner takes the windows it owns on its thread with it.
    EXPECT_TRUE(DestroyWindow(owner));
    EXPECT_FALSE(IsWindow(owned));
    SetLastError(0);
    EXPECT_EQ(create_static(WS_POPUP, owner), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(window_system, window_owned_from_another_thread_outlives_its_owner) {
    const HWND owner = create_static(WS_POPUP);
    std::promise<HWND> created;
    std::promise<void> owner_gone;
    std::thread other([&] {
        const HWND owned = create_static(WS_POPUP, owner);
        created.set_value(owned);
        owner_gone.get_future().wait();
        EXPECT_TRUE(IsWindow(owned));
        EXPECT_EQ(GetWindow(owned, GW_OWNER), nullptr);
        EXPECT_TRUE(DestroyWindow(owned));
    });
    const HWND owned = created.get_future().get();
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    EXPECT_TRUE(DestroyWindow(owner));
    owner_gone.set_value();
    other.join();
}

TEST(window_system, show_window_reports_the_previous_visibility) {
    const HWND window = create_static(WS_POPUP);
    struct step {
        int command;
        BOOL was_visible;
        bool visible_after;
    };
    for (const step s : {step{SW_SHOW, FALSE, true}, step{SW_SHOW, TRUE, true}, step{SW_HIDE, TRUE, false},
                         step{SW_HIDE, FALSE, false}, step{SW_SHOW, FALSE, true}}) {
        EXPECT_EQ(ShowWindow(window, s.command) != FALSE, s.was_visible != FALSE);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, s.visible_after);
        EXPECT_EQ((static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)) & WS_VISIBLE) != 0, s.visible_after);
    }
    DestroyWindow(window);
}

TEST(window_system, foreground_follows_the_last_live_window_set) {
    const HWND first = create_static(WS_POPUP);
    const HWND second = create_static(WS_POPUP);
    EXPECT_TRUE(SetForegroundWindow(first));
    EXPECT_EQ(GetForegroundWindow(), first);
    for (HWND refused : {HWND{}, no_window}) {
        SetLastError(0);
        EXPECT_FALSE(SetForegroundWindow(refused));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_EQ(GetForegroundWindow(), first);
    }
    EXPECT_TRUE(SetForegroundWindow(second));
    EXPECT_EQ(GetForegroundWindow(), second);
    DestroyWindow(second);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    DestroyWindow(first);
}

TEST(window_system, only_the_creating_thread_destroys_a_window) {
    std::promise<HWND> created;
    std::promise<void> tried;
    std::thread owner([&] {
        const HWND window = create_static(WS_POPUP);
        created.set_value(window);
        tried.get_future().wait();
        EXPECT_TRUE(DestroyWindow(window));
    });
    const HWND window = created.get_future().get();
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(window));
    tried.set_value();
    owner.join();
    EXPECT_FALSE(IsWindow(window));
}

TEST(window_system, a_threads_windows_end_with_it) {
    HWND window = nullptr;
    std::thread([&] { window = create_static(WS_POPUP | WS_VISIBLE); }).join();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindow(window));
}

TEST(window_system, gone_and_unknown_handles_are_invalid) {
    const HWND destroyed = create_static(WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(DestroyWindow(destroyed));
    for (HWND window : {HWND{}, no_window, destroyed}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(window));
        RECT rect{};
        WCHAR name[8];
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(IsWindowVisible(window));
        const auto expect_invalid = [](bool failed) {
            EXPECT_TRUE(failed);
            EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
            SetLastError(0);
        };
        expect_invalid(!DestroyWindow(window));
        expect_invalid(!GetWindowRect(window, &rect));
        expect_invalid(!ShowWindow(window, SW_SHOW));
        expect_invalid(GetClassNameW(window, name, 8) == 0);
        expect_invalid(GetWindowLongPtrW(window, GWL_STYLE) == 0);
        expect_invalid(GetWindow(window, GW_OWNER) == nullptr);
    }
}

TEST(window_system, class_name_is_cut_to_the_buffer) {
    const HWND window = create_static(WS_POPUP);
    WCHAR name[8] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetClassNameW(window, name, 3), 2);
    EXPECT_EQ(wide_string(name), WIDE("St"));
    EXPECT_EQ(GetClassNameW(window, name, 0), 0);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(window, 12345), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    DestroyWindow(window);
}

} // namespace
