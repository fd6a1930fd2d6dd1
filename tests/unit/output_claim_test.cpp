// The claim on standard output shared by the result writer and the crash handlers.
#include "output/standard_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(output_claim, free_then_writing_then_written_with_the_line_exit_code) {
    struct row {
        const char* name;
        int exit_code;
    };
    for (const row& r : {row{"status line", 0}, row{"failure line", 1}, row{"usage line", 2}}) {
        output_claim claim;
        EXPECT_FALSE(claim.is_written()) << r.name;
        ASSERT_TRUE(claim.claim(r.exit_code)) << r.name;
        // A crash handler arriving now finds the line going out, with its exit code.
        EXPECT_FALSE(claim.claim(1)) << r.name;
        EXPECT_EQ(claim.exit_code(), r.exit_code) << r.name;
        EXPECT_FALSE(claim.is_written()) << r.name;
        claim.mark_written();
        EXPECT_TRUE(claim.is_written()) << r.name;
        EXPECT_EQ(claim.exit_code(), r.exit_code) << r.name;
        EXPECT_FALSE(claim.claim(1)) << r.name;
        EXPECT_EQ(claim.exit_code(), r.exit_code) << r.name;
    }
}

TEST(output_claim, exactly_one_of_many_racing_writers_wins) {
    for (int round = 0; round < 200; ++round) {
        output_claim claim;
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int code = 0; code < 4; ++code)
            threads.emplace_back([&, code] {
                if (claim.claim(code)) {
                    ++winners;
                    claim.mark_written();
                }
            });
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(winners, 1) << round;
        EXPECT_TRUE(claim.is_written()) << round;
    }
}
