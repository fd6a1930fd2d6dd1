// The platform's DateTime and TimeSpan as the query lines report them: the
// calendar at its edges, the rounding, and the values that mean "no date".
#include "output/date_time_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr std::int64_t second = 10'000'000;
constexpr std::int64_t max_ticks = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t min_ticks = std::numeric_limits<std::int64_t>::min();

struct date_case {
    std::int64_t ticks;
    const char* text; // nullptr: no date
};

} // namespace

TEST(rfc3339_of_ticks, table) {
    // Expected values computed independently (Python's datetime from 1601-01-01).
    const date_case cases[] = {
        {0, nullptr},
        {1, "1601-01-01T00:00:00Z"},
        {second - 1, "1601-01-01T00:00:00Z"},
        {second, "1601-01-01T00:00:01Z"},
        {-1, "1600-12-31T23:59:59Z"},
        {-second, "1600-12-31T23:59:59Z"},
        {-second - 1, "1600-12-31T23:59:58Z"},
        {997056000000000, "1604-02-29T00:00:00Z"},
        {94405823990000000, "1900-02-28T23:59:59Z"},
        {94405824000000000, "1900-03-01T00:00:00Z"},
        {116444736000000000, "1970-01-01T00:00:00Z"},
        {116444736000000000 - 1, "1969-12-31T23:59:59Z"},
        {125963012960000000 + 9'999'999, "2000-02-29T12:34:56Z"},
        {133537247990000000, "2024-02-29T23:59:59Z"},
        {134483328000000000, "2027-03-01T00:00:00Z"},
        {157520160000000000, "2100-03-01T00:00:00Z"},
        {252190368000000000, "2400-02-29T00:00:00Z"},
        {2650152383990000000, "9998-12-31T23:59:59Z"},
        {2650152383990000000 + 9'999'999, "9998-12-31T23:59:59Z"},
        {2650152384000000000, nullptr},  // 9999-01-01
        {2650466880000000000, nullptr},  // 9999-12-31, a perpetual licence
        {max_ticks, nullptr},
        {-504911232000000000, "0001-01-01T00:00:00Z"},
        {-504911232000000000 - 1, nullptr},
        {min_ticks, nullptr},
    };
    for (const date_case& c : cases) {
        const auto text = rfc3339_of_ticks(c.ticks);
        const std::string written = text ? std::string(text->data(), text->size()) : "none";
        if (c.text) {
            EXPECT_EQ(written, c.text) << c.ticks;
        } else {
            EXPECT_FALSE(text) << c.ticks << " gave " << written;
        }
    }
}

TEST(whole_seconds_of_ticks, table) {
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {0, 0},           {1, 0},          {second - 1, 0},  {second, 1},     {90 * second + 5, 90},
        {-1, 0},          {-second, 0},    {min_ticks, 0},   {max_ticks, max_ticks / second},
    };
    for (const auto& [ticks, seconds] : cases) EXPECT_EQ(whole_seconds_of_ticks(ticks), seconds) << ticks;
}
