// The lines of the update commands: the fractions of a progress line, the state
// words, and the order of the packages.
#include "calls/store_calls.h"
#include "output/update_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

TEST(update_lines, fractions_as_printf_rounds_them_without_trailing_zeros) {
    struct row {
        double fraction;
        const char* text;
    };
    const row rows[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {0.5, "0.5"},
        {0.1, "0.1"},
        {0.42, "0.42"},
        {1e-9, "0"},
        {0.0000005, "0"},          // just below half a millionth as a double
        {0.0000015, "0.000002"},   // just above
        {0.1234565, "0.123456"},
        {0.1234575, "0.123457"},
        {0.0078125, "0.007812"},   // exactly halfway: to the even digit
        {0.0234375, "0.023438"},
        {0.9999996, "1"},
        {0.99999949999999, "0.999999"},
        {std::numeric_limits<double>::denorm_min(), "0"},
        {std::nan(""), "0"},
        {-std::nan(""), "0"},
        {-1.0, "0"},
        {2.0, "1"},
        {std::numeric_limits<double>::infinity(), "1"},
        {-std::numeric_limits<double>::infinity(), "0"},
    };
    for (const row& r : rows) EXPECT_EQ(fraction_text(r.fraction), r.text) << r.fraction;
}

TEST(update_lines, state_words) {
    const char* const words[] = {"pending",   "downloading", "deploying",       "completed",           "cancelled",
                                 "error",     "errorLowBattery", "errorWiFiRecommended", "errorWiFiRequired"};
    for (int state = 0; state < 9; ++state) EXPECT_EQ(update_state_word(state), words[state]);
    for (const int unknown : {-1, 9, 1000, std::numeric_limits<int>::min()}) EXPECT_EQ(update_state_word(unknown), "error");
}

TEST(update_lines, a_progress_line_and_its_line_break) {
    progress_record report{make_hstring(WIDE("Contoso.Notes_8wekyb3d8bbwe")), 1, 0.42, 0.21, 1234, 5678};
    EXPECT_EQ(progress_line(report),
              "{\"progress\":{\"packageFamilyName\":\"Contoso.Notes_8wekyb3d8bbwe\",\"state\":\"downloading\","
              "\"packageProgress\":0.42,\"totalProgress\":0.21,\"bytesDownloaded\":1234,\"downloadSize\":5678}}\n");
    progress_record edges{make_hstring(WIDE("a\"\n")), 42, std::nan(""), 2, 0, std::numeric_limits<std::uint64_t>::max()};
    EXPECT_EQ(progress_line(edges),
              "{\"progress\":{\"packageFamilyName\":\"a\\\"\\n\",\"state\":\"error\",\"packageProgress\":0,"
              "\"totalProgress\":1,\"bytesDownloaded\":0,\"downloadSize\":18446744073709551615}}\n");
}

TEST(update_lines, packages_sorted_by_family_name_and_no_updates) {
    std::vector<package_state_record> packages;
    packages.push_back({make_hstring(WIDE("b_x")), 3});
    packages.push_back({make_hstring(WIDE("\u00e9")), 6});
    packages.push_back({make_hstring(WIDE("a_x")), 4});
    const result_line line = update_result_line(5, packages);
    EXPECT_EQ(line.text, "{\"status\":\"error\",\"packages\":[{\"packageFamilyName\":\"a_x\",\"state\":\"cancelled\"},"
                         "{\"packageFamilyName\":\"b_x\",\"state\":\"completed\"},"
                         "{\"packageFamilyName\":\"\xc3\xa9\",\"state\":\"errorLowBattery\"}],\"error\":null}");
    EXPECT_EQ(line.exit_code, 0);
    EXPECT_EQ(no_updates_line().text, "{\"status\":\"noUpdates\",\"packages\":[],\"error\":null}");
    EXPECT_EQ(no_updates_line().exit_code, 0);
}
