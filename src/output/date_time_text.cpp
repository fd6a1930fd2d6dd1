#include "date_time_text.h"


namespace {

constexpr std::int64_t ticks_per_second = 10'000'000;
constexpr std::int64_t seconds_per_day = 86'400;

// Floor division: a date before the epoch rounds down too.
constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

struct civil_date {
    std::int64_t year;
    int month;
    int day;
};

// Days since 0001-01-01 in the proleptic Gregorian calendar to year, month and
// day (the "civil from days" method, over 400-year eras of 146097 days).
constexpr civil_date civil_from_days(std::int64_t days) {
    const std::int64_t era = floor_div(days, 146097);
    const std::int64_t day_of_era = days - era * 146097;                                             // [0, 146096]
    const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    // Months counted from January, as the era starts on 1 January.
    int month = 1;
    std::int64_t left = day_of_year;
    const bool leap = (year_of_era + 1) % 4 == 0 && ((year_of_era + 1) % 100 != 0 || (year_of_era + 1) % 400 == 0);
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    while (left >= lengths[month - 1]) left -= lengths[month++ - 1];
    return {era * 400 + year_of_era + 1, month, static_cast<int>(left) + 1};
}

} // namespace

std::optional<rfc3339_text> rfc3339_of_ticks(std::int64_t ticks) {
    if (ticks == 0) return std::nullopt;
    const std::int64_t seconds = floor_div(ticks, ticks_per_second);
    // 1601-01-01 lies 584388 days after 0001-01-01.
    const std::int64_t days = floor_div(seconds, seconds_per_day) + 584388;
    const std::int64_t second_of_day = seconds - floor_div(seconds, seconds_per_day) * seconds_per_day;
    const civil_date date = civil_from_days(days);
    if (date.year < 1 || date.year >= 9999) return std::nullopt;
    // Written digit by digit: a licence with many add-ons has many dates.
    rfc3339_text text = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0', 'T', '0', '0', ':', '0', '0', ':', '0', '0', 'Z'};
    const auto put = [&](std::size_t end, std::int64_t value, int digits) {
        for (int i = 0; i < digits; ++i, value /= 10) text[end - i] = static_cast<char>('0' + value % 10);
    };
    put(3, date.year, 4);
    put(6, date.month, 2);
    put(9, date.day, 2);
    put(12, second_of_day / 3600, 2);
    put(15, second_of_day / 60 % 60, 2);
    put(18, second_of_day % 60, 2);
    return text;
}

std::int64_t whole_seconds_of_ticks(std::int64_t ticks) { return ticks <= 0 ? 0 : ticks / ticks_per_second; }
