// The claim on standard output shared by the result writer and the crash handlers.
#include "output/standard_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

// A progress line goes out only while nothing is claimed; a claim waits for the
// one in flight and then takes standard output, after which no progress line goes.
TEST(output_claim, a_claim_waits_for_the_progress_line_in_flight) {
    output_claim claim;
    ASSERT_TRUE(claim.begin_progress());
    EXPECT_FALSE(claim.begin_progress()); // one at a time
    std::atomic<bool> progress_done{false}, claimed{false};
    std::thread crash([&] {
        claimed = claim.claim(1);
        // The claim came only after the progress line was out.
        EXPECT_TRUE(progress_done.load());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(claimed.load());
    progress_done = true;
    claim.end_progress();
    crash.join();
    EXPECT_TRUE(claimed.load());
    EXPECT_EQ(claim.exit_code(), 1);
    EXPECT_FALSE(claim.begin_progress());
    claim.mark_written();
    EXPECT_FALSE(claim.begin_progress());
}

TEST(output_claim, progress_lines_and_one_racing_claim_never_overlap) {
    for (int round = 0; round < 100; ++round) {
        output_claim claim;
        std::atomic<int> writing{0}, overlaps{0}, progress_after_claim{0};
        std::atomic<bool> claimed{false};
        std::thread progress([&] {
            for (int line = 0; line < 50; ++line) {
                if (!claim.begin_progress()) continue;
                if (claimed.load()) ++progress_after_claim;
                if (writing.fetch_add(1) != 0) ++overlaps;
                writing.fetch_sub(1);
                claim.end_progress();
            }
        });
        std::thread last([&] {
            ASSERT_TRUE(claim.claim(0));
            claimed = true;
            if (writing.fetch_add(1) != 0) ++overlaps;
            writing.fetch_sub(1);
            claim.mark_written();
        });
        progress.join();
        last.join();
        EXPECT_EQ(overlaps, 0) << round;
        EXPECT_EQ(progress_after_claim, 0) << round;
    }
}
