// The scenario keys of the update call: its own request, completion and
// results, the states, the progress reports, the late report and the fault on
// its worker, and the message that names a refused item.
#include "simstore/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace {

using namespace simstore;
using namespace std::chrono_literals;

std::string utf8_of(const wide_string& text) {
    std::string out;
    for (const WCHAR unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// Every field of the update call, and the check's timing and results beside
// them, so that a case also catches a value landing in the wrong one. The
// fractions in hexadecimal: every bit shows, NaN and -0 included.
std::string describe(const scenario& s) {
    std::ostringstream out;
    out << std::hex << "check " << s.request << '|' << s.request_gives_none << '|' << static_cast<int>(s.completes)
        << '|' << s.after.count() << '|' << s.results << '|' << s.results_null << " request " << s.update_request
        << '|' << s.update_request_gives_none << " completes "
        << (s.update_completes ? static_cast<int>(*s.update_completes) : -1) << '|' << std::dec
        << s.update_after.count() << std::hex << " results " << s.update_results << '|' << s.update_results_null
        << std::dec << " state " << s.update_state << " late " << (s.late_progress ? s.late_progress->count() : -1)
        << " crash " << (s.update_crash ? s.update_crash->count() : -1) << std::hexfloat;
    for (const package_state& p : s.package_states) out << " package " << utf8_of(p.family_name) << '|' << p.state;
    for (const progress_report& r : s.progress)
        out << " progress " << utf8_of(r.status.family_name) << '|' << r.status.state << '|'
            << r.status.package_progress << '|' << r.status.total_progress << '|' << r.status.bytes_downloaded << '|'
            << r.status.download_size << '@' << r.after_request.count();
    return out.str();
}

progress_report report(const wide_string& family, INT32 state, double package, double total, std::uint64_t bytes,
                       std::uint64_t size, milliseconds at) {
    return {{family, state, package, total, bytes, size}, at};
}

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();

struct good_case {
    const char* text;
    void (*expect)(scenario& expected);
};

const good_case good_cases[] = {
    {"", [](scenario&) {}},
    {"update-request=E_ACCESSDENIED", [](scenario& s) { s.update_request = static_cast<HRESULT>(0x80070005); }},
    {"update-request=none", [](scenario& s) { s.update_request_gives_none = true; }},
    {"update-request=none;update-request=0x80001234", [](scenario& s) { s.update_request = static_cast<HRESULT>(0x80001234); }},
    {"update-after=0", [](scenario& s) { s.update_completes = completion::after_delay; }},
    {"update-after=2147483647",
     [](scenario& s) {
         s.update_completes = completion::after_delay;
         s.update_after = 2147483647ms;
     }},
    {"update-after=now", [](scenario& s) { s.update_completes = completion::at_creation; }},
    {"update-after=never;after=now",
     [](scenario& s) {
         s.update_completes = completion::never;
         s.completes = completion::at_creation;
     }},
    {"update-results=E_BOUNDS", [](scenario& s) { s.update_results = static_cast<HRESULT>(0x8000000B); }},
    {"update-results=null", [](scenario& s) { s.update_results_null = true; }},
    {"update-results=null;update-results=E_FAIL", [](scenario& s) { s.update_results = static_cast<HRESULT>(0x80004005); }},
    {"update-state=Pending", [](scenario& s) { s.update_state = 0; }},
    {"update-state=Downloading", [](scenario& s) { s.update_state = 1; }},
    {"update-state=Deploying", [](scenario& s) { s.update_state = 2; }},
    {"update-state=Completed", [](scenario& s) { s.update_state = 3; }},
    {"update-state=Canceled", [](scenario& s) { s.update_state = 4; }},
    {"update-state=OtherError", [](scenario& s) { s.update_state = 5; }},
    {"update-state=ErrorLowBattery", [](scenario& s) { s.update_state = 6; }},
    {"update-state=ErrorWiFiRecommended", [](scenario& s) { s.update_state = 7; }},
    {"update-state=ErrorWiFiRequired", [](scenario& s) { s.update_state = 8; }},
    {"update-state=-2147483648", [](scenario& s) { s.update_state = std::numeric_limits<INT32>::min(); }},
    {"update-state=99", [](scenario& s) { s.update_state = 99; }},
    {"package-state=A_x:Canceled;package-state=B%3Ay:-4;package-state=A_x:Pending",
     [](scenario& s) {
         s.package_states = {{WIDE("A_x"), 4}, {WIDE("B:y"), -4}, {WIDE("A_x"), 0}};
     }},
    {"progress=A_x:Downloading:0.25:0.125:1024:4096@50;progress=B%3Ay%40z:7:1e-3:-2.5:0:18446744073709551615@0",
     [](scenario& s) {
         s.progress = {report(WIDE("A_x"), 1, 0.25, 0.125, 1024, 4096, 50ms),
                       report(WIDE("B:y@z"), 7, 0.001, -2.5, 0, most, 0ms)};
     }},
    {"progress=F:0:nan:inf:1:2@2147483647;progress=G:Completed:-0:1.5:0:0@3",
     [](scenario& s) {
         s.progress = {report(WIDE("F"), 0, nan, std::numeric_limits<double>::infinity(), 1, 2, 2147483647ms),
                       report(WIDE("G"), 3, -0.0, 1.5, 0, 0, 3ms)};
     }},
    {"progress=H:0:infinity:.5:0:0@1;progress=I:0:-inf:5.:0:0@2;progress=J:0:1E-3:2.5e+1:0:0@3",
     [](scenario& s) {
         constexpr double inf = std::numeric_limits<double>::infinity();
         s.progress = {report(WIDE("H"), 0, inf, 0.5, 0, 0, 1ms), report(WIDE("I"), 0, -inf, 5.0, 0, 0, 2ms),
                       report(WIDE("J"), 0, 0.001, 25.0, 0, 0, 3ms)};
     }},
    {"progress=:Pending:0:0:0:0@0", [](scenario& s) { s.progress = {report(WIDE(""), 0, 0, 0, 0, 0, 0ms)}; }},
    {"late-progress=0", [](scenario& s) { s.late_progress = 0ms; }},
    {"late-progress=5;late-progress=250", [](scenario& s) { s.late_progress = 250ms; }},
    {"update-crash=worker@0", [](scenario& s) { s.update_crash = 0ms; }},
    {"update-crash=worker@1;update-crash=worker@700", [](scenario& s) { s.update_crash = 700ms; }},
};

TEST(scenario_update_keys, the_defaults_leave_the_update_call_as_the_check) {
    const auto parsed = parse_scenario("");
    const auto* s = std::get_if<scenario>(&parsed);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->update_state, 3); // Completed
    EXPECT_FALSE(s->update_completes.has_value());
    EXPECT_TRUE(s->progress.empty());
    EXPECT_FALSE(s->late_progress.has_value());
    EXPECT_FALSE(s->update_crash.has_value());
}

TEST(scenario_update_keys, accepts_every_value) {
    for (const good_case& row : good_cases) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* actual = std::get_if<scenario>(&parsed);
        ASSERT_NE(actual, nullptr) << std::get<scenario_error>(parsed).message;
        scenario expected;
        row.expect(expected);
        EXPECT_EQ(describe(*actual), describe(expected));
    }
}

TEST(scenario_update_keys, nan_is_kept_as_nan) {
    const auto parsed = parse_scenario("progress=F:1:nan:-nan:0:0@0");
    const auto* s = std::get_if<scenario>(&parsed);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->progress.size(), 1u);
    EXPECT_TRUE(std::isnan(s->progress[0].status.package_progress));
    EXPECT_TRUE(std::isnan(s->progress[0].status.total_progress));
}

constexpr const char* state_expected =
    "expected Pending, Downloading, Deploying, Completed, Canceled, OtherError, ErrorLowBattery, "
    "ErrorWiFiRecommended, ErrorWiFiRequired or an integer";
constexpr const char* progress_expected =
    "expected FAMILY:STATE:PACKAGE:TOTAL:BYTES:SIZE@MS: FAMILY percent-encoded, STATE as for update-state, PACKAGE "
    "and TOTAL decimal fractions, BYTES and SIZE 0 to 18446744073709551615";
constexpr const char* package_state_expected =
    "expected FAMILY:STATE, FAMILY percent-encoded, STATE as for update-state";

const struct {
    const char* text;
    const char* item;
    const char* problem;
} bad_cases[] = {
    {"update-request=", "update-request=", "expected an HRESULT or none"},
    {"update-request=0x00000001", "update-request=0x00000001", "expected an HRESULT or none"},
    {"update-after=soon", "update-after=soon", "expected milliseconds, now or never"},
    {"update-after=-1", "update-after=-1", "expected milliseconds, now or never"},
    {"update-after=2147483648", "update-after=2147483648", "expected milliseconds, now or never"},
    {"update-results=none", "update-results=none", "expected an HRESULT or null"},
    {"update-state=completed", "update-state=completed", state_expected},
    {"update-state=", "update-state=", state_expected},
    {"update-state=2147483648", "update-state=2147483648", state_expected},
    {"package-state=A", "package-state=A", package_state_expected},
    {"package-state=A:B:Completed", "package-state=A:B:Completed", package_state_expected},
    {"package-state=A:Done", "package-state=A:Done", package_state_expected},
    {"package-state=%zz:Completed", "package-state=%zz:Completed", package_state_expected},
    {"progress=A:1:0.5:0.5:0:0", "progress=A:1:0.5:0.5:0:0", progress_expected},
    {"progress=A:1:0.5:0.5:0:0@", "progress=A:1:0.5:0.5:0:0@", progress_expected},
    {"progress=A:1:0.5:0.5:0@10", "progress=A:1:0.5:0.5:0@10", progress_expected},
    {"progress=A:1:0.5:0.5:0:0:0@10", "progress=A:1:0.5:0.5:0:0:0@10", progress_expected},
    {"progress=A:Busy:0.5:0.5:0:0@10", "progress=A:Busy:0.5:0.5:0:0@10", progress_expected},
    {"progress=A:1:half:0.5:0:0@10", "progress=A:1:half:0.5:0:0@10", progress_expected},
    {"progress=A:1:+0.5:0.5:0:0@10", "progress=A:1:+0.5:0.5:0:0@10", progress_expected},
    {"progress=A:1:0.5: 0.5:0:0@10", "progress=A:1:0.5: 0.5:0:0@10", progress_expected},
    {"progress=A:1:0.5:1e999:0:0@10", "progress=A:1:0.5:1e999:0:0@10", progress_expected},
    {"progress=A:1:0x1p-1:0.5:0:0@10", "progress=A:1:0x1p-1:0.5:0:0@10", progress_expected},
    {"progress=A:1:-0X1:0.5:0:0@10", "progress=A:1:-0X1:0.5:0:0@10", progress_expected},
    {"progress=A:1:--1:0.5:0:0@10", "progress=A:1:--1:0.5:0:0@10", progress_expected},
    {"progress=A:1:-:0.5:0:0@10", "progress=A:1:-:0.5:0:0@10", progress_expected},
    {"progress=A:1:0.5e:0.5:0:0@10", "progress=A:1:0.5e:0.5:0:0@10", progress_expected},
    {"progress=A:1:0.5:1e-999:0:0@10", "progress=A:1:0.5:1e-999:0:0@10", progress_expected},
    {"progress=A:1:0.5:0.5:-1:0@10", "progress=A:1:0.5:0.5:-1:0@10", progress_expected},
    {"progress=A:1:0.5:0.5:0:18446744073709551616@10", "progress=A:1:0.5:0.5:0:18446744073709551616@10",
     progress_expected},
    {"progress=A:1:0.5:0.5:0:0@-1", "progress=A:1:0.5:0.5:0:0@-1", progress_expected},
    {"progress=%zz:1:0.5:0.5:0:0@1", "progress=%zz:1:0.5:0.5:0:0@1", progress_expected},
    {"late-progress=now", "late-progress=now", "expected milliseconds"},
    {"late-progress=", "late-progress=", "expected milliseconds"},
    {"update-crash=worker", "update-crash=worker", "expected worker@MS"},
    {"update-crash=main@5", "update-crash=main@5", "expected worker@MS"},
    {"update-crash=worker@x", "update-crash=worker@x", "expected worker@MS"},
    {"fail=StorePackageUpdateResult.Statuses:E_FAIL", "fail=StorePackageUpdateResult.Statuses:E_FAIL",
     "expected Object.Field:HRESULT"},
};

TEST(scenario_update_keys, refuses_bad_items_by_name) {
    for (const auto& row : bad_cases) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* error = std::get_if<scenario_error>(&parsed);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->message, std::string("bad scenario item \"") + row.item + "\": " + row.problem);
    }
}

TEST(scenario_update_keys, fail_names_the_two_fields_of_the_update_result) {
    const struct {
        const char* text;
        store_field field;
    } rows[] = {
        {"fail=StorePackageUpdateResult.OverallState:E_FAIL", store_field::update_result_overall_state},
        {"fail=StorePackageUpdateResult.StorePackageUpdateStatuses:E_FAIL", store_field::update_result_statuses},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* s = std::get_if<scenario>(&parsed);
        ASSERT_NE(s, nullptr);
        for (std::size_t i = 0; i < s->field_failures.size(); ++i)
            EXPECT_EQ(s->field_failures[i], i == static_cast<std::size_t>(row.field) ? E_FAIL : S_OK) << i;
    }
}

} // namespace
