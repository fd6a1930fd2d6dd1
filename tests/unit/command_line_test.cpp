// The failure guard around the apartment and the flow.
#include "app/command_line.h"
#include "output/error_text.h"

#include <gtest/gtest.h>

#include <thread>

TEST(command_line, a_thread_already_in_another_apartment_gets_the_general_failure_line) {
    int exit_code = -1;
    std::string line;
    std::thread other_apartment([&] {
        // The thread is a multi-threaded apartment already, so the bridge's
        // single-threaded one is refused with RPC_E_CHANGED_MODE.
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        const WCHAR* argv[] = {WIDE("store-bridge"), WIDE("buy"), WIDE("9NBLGGH4R315")};
        const result_line composed = run_command(3, argv);
        exit_code = composed.exit_code;
        line = composed.text;
    });
    other_apartment.join();

    SetErrorInfo(0, nullptr);
    std::string words;
    try {
        raise_platform_failure(RPC_E_CHANGED_MODE);
    } catch (const platform_failure& failure) {
        words = to_utf8(platform_failure_message(failure));
    }
    EXPECT_EQ(exit_code, 1);
    EXPECT_EQ(line, "{\"error\":\"" + words + "\"}");
}
