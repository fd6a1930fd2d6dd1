// The scenario language of the simulated Store: every key with its values, the
// defaults, the item syntax, and the message that names a refused item.
#include "simstore/scenario.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace simstore;
using namespace std::chrono_literals;

HWND handle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

std::string text_of(const std::optional<wide_string>& text) {
    if (!text) return "none";
    std::ostringstream out;
    out << '[';
    for (const WCHAR unit : *text) out << std::hex << static_cast<unsigned>(unit) << ' ';
    out << ']';
    return out.str();
}

// Every field, so that a case also catches a value landing in the wrong field.
std::string describe(const scenario& s) {
    std::ostringstream out;
    out << std::hex << "context " << s.context << " bind_missing " << s.bind_missing << " request " << s.request
        << " none " << s.request_gives_none << " completes " << static_cast<int>(s.completes) << std::dec << " after "
        << s.after.count() << " async_status " << s.async_status << std::hex << " results " << s.results << " null "
        << s.results_null << std::dec << " purchase " << s.purchase << " review " << s.review << " updated "
        << s.updated << std::hex << " updated_failure " << s.updated_failure << " status " << s.status
        << " description " << text_of(s.error.description) << " restricted " << text_of(s.error.restricted)
        << " reported " << (s.error.reported ? *s.error.reported : 0) << " details " << s.error.details << std::dec
        << " crash " << static_cast<int>(s.crash) << " at_exit " << static_cast<int>(s.at_exit) << std::hex << " apartment " << s.apartment << " anchor_fails "
        << s.anchor_fails << " event_fails " << s.event_fails << " guid " << s.guid << std::dec << " consumable "
        << s.consumable << " balance " << s.balance << " package " << text_of(s.package);
    for (const posted_message& post : s.posts) out << " post " << post.quit << '@' << post.after_request.count();
    for (const declared_window& window : s.windows) {
        out << " window " << reinterpret_cast<std::uintptr_t>(window.handle);
        if (window.rect) out << ' ' << window.rect->left << ',' << window.rect->top << ',' << window.rect->right << ','
                             << window.rect->bottom;
        else out << " norect";
        if (window.closes_after_start) out << " close " << window.closes_after_start->count();
        if (window.process_exits_after_start) out << " exit " << window.process_exits_after_start->count();
    }
    return out.str();
}

struct good_case {
    const char* text;
    void (*expect)(scenario& expected);
};

const good_case good_cases[] = {
    {"", [](scenario&) {}},
    {" ; ;\t;;", [](scenario&) {}},
    {"context=E_ACCESSDENIED", [](scenario& s) { s.context = static_cast<HRESULT>(0x80070005); }},
    {"bind=missing", [](scenario& s) { s.bind_missing = true; }},
    {"request=E_NOTIMPL", [](scenario& s) { s.request = static_cast<HRESULT>(0x80004001); }},
    {"request=none", [](scenario& s) { s.request_gives_none = true; }},
    {"request=E_FAIL;request=none", [](scenario& s) { s.request_gives_none = true; }},
    {"request=none;request=E_FAIL", [](scenario& s) { s.request = static_cast<HRESULT>(0x80004005); }},
    {"after=0", [](scenario& s) { s.after = 0ms; }},
    {"after=2147483647", [](scenario& s) { s.after = 2147483647ms; }},
    {"after=now", [](scenario& s) { s.completes = completion::at_creation; }},
    {"after=never", [](scenario& s) { s.completes = completion::never; }},
    {"after=now;after=25", [](scenario& s) { s.after = 25ms; }},
    {"async-status=-7", [](scenario& s) { s.async_status = -7; }},
    {"async-status=2147483647", [](scenario& s) { s.async_status = 2147483647; }},
    {"async-status=-2147483648", [](scenario& s) { s.async_status = -2147483647 - 1; }},
    {"results=E_BOUNDS", [](scenario& s) { s.results = static_cast<HRESULT>(0x8000000B); }},
    {"results=null", [](scenario& s) { s.results_null = true; }},
    {"purchase=Succeeded", [](scenario& s) { s.purchase = 0; }},
    {"purchase=AlreadyPurchased", [](scenario& s) { s.purchase = 1; }},
    {"purchase=NotPurchased", [](scenario& s) { s.purchase = 2; }},
    {"purchase=NetworkError", [](scenario& s) { s.purchase = 3; }},
    {"purchase=ServerError", [](scenario& s) { s.purchase = 4; }},
    {"purchase=7", [](scenario& s) { s.purchase = 7; }},
    {"purchase=-1", [](scenario& s) { s.purchase = -1; }},
    {"review=Succeeded", [](scenario& s) { s.review = 0; }},
    {"review=CanceledByUser", [](scenario& s) { s.review = 1; }},
    {"review=NetworkError", [](scenario& s) { s.review = 2; }},
    {"review=Error", [](scenario& s) { s.review = 3; }},
    {"review=42", [](scenario& s) { s.review = 42; }},
    {"updated=true", [](scenario& s) { s.updated = true; }},
    {"updated=false", [](scenario&) {}},
    {"updated=E_ILLEGAL_METHOD_CALL", [](scenario& s) { s.updated_failure = static_cast<HRESULT>(0x8000000E); }},
    {"updated=E_FAIL;updated=true", [](scenario& s) { s.updated = true; }},
    {"status=REGDB_E_CLASSNOTREG", [](scenario& s) { s.status = static_cast<HRESULT>(0x80040154); }},
    {"description=a%20b%22c%0D%0A%3B%25", [](scenario& s) { s.error.description = WIDE("a b\"c\r\n;%"); }},
    {"description=x=y", [](scenario& s) { s.error.description = WIDE("x=y"); }},
    {"description=%c3%A9%F0%9F%98%80", [](scenario& s) { s.error.description = WIDE("\u00e9\U0001F600"); }},
    {"description=a%FFb", [](scenario& s) { s.error.description = WIDE("a\uFFFDb"); }},
    {"restricted=", [](scenario& s) { s.error.restricted = WIDE(""); }},
    {"restricted=no%20way", [](scenario& s) { s.error.restricted = WIDE("no way"); }},
    {"reported=E_INVALIDARG", [](scenario& s) { s.error.reported = static_cast<HRESULT>(0x80070057); }},
    {"details=0", [](scenario&) {}},
    {"details=S_OK", [](scenario&) {}},
    {"details=S_FALSE", [](scenario& s) { s.error.details = 1; }},
    {"details=E_FAIL", [](scenario& s) { s.error.details = static_cast<HRESULT>(0x80004005); }},
    {"window=12345:10,20,-30,40",
     [](scenario& s) { s.windows.push_back({handle(12345), RECT{10, 20, -30, 40}, std::nullopt, std::nullopt}); }},
    {"window=7:norect:close=250;window=8:0,0,1,1:close=0",
     [](scenario& s) {
         s.windows.push_back({handle(7), std::nullopt, 250ms, std::nullopt});
         s.windows.push_back({handle(8), RECT{0, 0, 1, 1}, 0ms, std::nullopt});
     }},
    {"window=9:norect:exit=30;window=10:norect:exit=5:close=7",
     [](scenario& s) {
         s.windows.push_back({handle(9), std::nullopt, std::nullopt, 30ms});
         s.windows.push_back({handle(10), std::nullopt, 7ms, 5ms});
     }},
    {"post=quit@50;post=message@10",
     [](scenario& s) {
         s.posts.push_back({true, 50ms});
         s.posts.push_back({false, 10ms});
     }},
    {"apartment=RPC_E_CHANGED_MODE", [](scenario& s) { s.apartment = static_cast<HRESULT>(0x80010106); }},
    {"guid=E_ACCESSDENIED", [](scenario& s) { s.guid = static_cast<HRESULT>(0x80070005); }},
    {"consumable=Succeeded", [](scenario& s) { s.consumable = 0; }},
    {"consumable=InsufficientQuantity", [](scenario& s) { s.consumable = 1; }},
    {"consumable=NetworkError", [](scenario& s) { s.consumable = 2; }},
    {"consumable=ServerError", [](scenario& s) { s.consumable = 3; }},
    {"consumable=-9", [](scenario& s) { s.consumable = -9; }},
    {"balance=0", [](scenario&) {}},
    {"balance=4294967295", [](scenario& s) { s.balance = 4294967295u; }},
    {"anchor=fail", [](scenario& s) { s.anchor_fails = true; }},
    {"event=fail", [](scenario& s) { s.event_fails = true; }},
    {"package=Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe",
     [](scenario& s) { s.package = WIDE("Contoso.Game_1.4.2.0_x64__8wekyb3d8bbwe"); }},
    {"package=a;package=b%3Bc", [](scenario& s) { s.package = WIDE("b;c"); }},
    {"crash=worker", [](scenario& s) { s.crash = crash_kind::worker; }},
    {"crash=main", [](scenario& s) { s.crash = crash_kind::main; }},
    {"crash=throw", [](scenario& s) { s.crash = crash_kind::language_exception; }},
    {"crash=release", [](scenario& s) { s.crash = crash_kind::release; }},
    {"crash=twice", [](scenario& s) { s.crash = crash_kind::twice; }},
    {"crash=abort", [](scenario& s) { s.crash = crash_kind::abort; }},
    {"at-exit=hang", [](scenario& s) { s.at_exit = exit_work::hang; }},
    {"at-exit=fault", [](scenario& s) { s.at_exit = exit_work::fault; }},
    {"  purchase=NotPurchased ;\treview=Error\t; after=now ",
     [](scenario& s) {
         s.purchase = 2;
         s.review = 3;
         s.completes = completion::at_creation;
     }},
};

TEST(scenario_parser, defaults_are_the_plain_run) {
    const auto parsed = parse_scenario("");
    const auto* s = std::get_if<scenario>(&parsed);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->completes, completion::after_delay);
    EXPECT_EQ(s->after, 100ms);
    EXPECT_EQ(s->purchase, 0);
    EXPECT_EQ(s->review, 0);
    EXPECT_FALSE(s->updated);
    EXPECT_EQ(s->crash, crash_kind::none);
    EXPECT_EQ(s->error.details, S_OK);
}

TEST(scenario_parser, accepts_every_key) {
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

TEST(scenario_parser, hresults_by_name_and_number) {
    const std::pair<const char*, std::uint32_t> rows[] = {
        {"E_ACCESSDENIED", 0x80070005},
        {"RPC_E_WRONG_THREAD", 0x8001010E},
        {"E_NOTIMPL", 0x80004001},
        {"E_INVALIDARG", 0x80070057},
        {"E_BOUNDS", 0x8000000B},
        {"E_NOINTERFACE", 0x80004002},
        {"CLASS_E_CLASSNOTAVAILABLE", 0x80040111},
        {"REGDB_E_CLASSNOTREG", 0x80040154},
        {"E_CHANGED_STATE", 0x8000000C},
        {"E_ILLEGAL_METHOD_CALL", 0x8000000E},
        {"E_ILLEGAL_STATE_CHANGE", 0x8000000D},
        {"E_ILLEGAL_DELEGATE_ASSIGNMENT", 0x80000018},
        {"ERROR_CANCELLED", 0x800704C7},
        {"E_FAIL", 0x80004005},
        {"E_OUTOFMEMORY", 0x8007000E},
        {"RPC_E_CHANGED_MODE", 0x80010106},
        {"0x80070005", 0x80070005},
        {"0X8000000b", 0x8000000B},
        {"0x80000000", 0x80000000},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"0xdeadbeef", 0xDEADBEEF},
    };
    for (const auto& [text, code] : rows) {
        SCOPED_TRACE(text);
        const auto parsed = parse_scenario(std::string("status=") + text);
        ASSERT_TRUE(std::holds_alternative<scenario>(parsed)) << std::get<scenario_error>(parsed).message;
        EXPECT_EQ(static_cast<std::uint32_t>(std::get<scenario>(parsed).status), code);
    }
}

struct bad_case {
    const char* text;
    const char* item;
    const char* problem;
};

constexpr const char* hresult = "expected an HRESULT";
constexpr const char* percent = "expected percent-encoded text";
constexpr const char* window_form =
    "expected HANDLE:L,T,R,B or HANDLE:norect, optionally followed by :close=MS and :exit=MS";

const bad_case bad_cases[] = {
    {"after=soon", "after=soon", "expected milliseconds, now or never"},
    {"  after=soon  ;purchase=1", "after=soon", "expected milliseconds, now or never"},
    {"purchase=1;foo=1;bar=2", "foo=1", "unknown key"},
    {"Context=E_FAIL", "Context=E_FAIL", "unknown key"},
    {"=E_FAIL", "=E_FAIL", "unknown key"},
    {"after", "after", "expected key=value"},
    {"crash worker", "crash worker", "expected key=value"},
    {"context=0x00000005", "context=0x00000005", hresult},
    {"context=0x7FFFFFFF", "context=0x7FFFFFFF", hresult},
    {"context=0x8007005", "context=0x8007005", hresult},
    {"context=0x800700050", "context=0x800700050", hresult},
    {"context=80070005", "context=80070005", hresult},
    {"context=0x8007000G", "context=0x8007000G", hresult},
    {"context=e_fail", "context=e_fail", hresult},
    {"context=", "context=", hresult},
    {"context=-2147467259", "context=-2147467259", hresult},
    {"bind=present", "bind=present", "expected missing"},
    {"request=null", "request=null", "expected an HRESULT or none"},
    {"after=-1", "after=-1", "expected milliseconds, now or never"},
    {"after=2147483648", "after=2147483648", "expected milliseconds, now or never"},
    {"after=+5", "after=+5", "expected milliseconds, now or never"},
    {"after= 5", "after= 5", "expected milliseconds, now or never"},
    {"async-status=2147483648", "async-status=2147483648", "expected a 32-bit integer"},
    {"async-status=1.5", "async-status=1.5", "expected a 32-bit integer"},
    {"async-status=", "async-status=", "expected a 32-bit integer"},
    {"results=none", "results=none", "expected an HRESULT or null"},
    {"purchase=succeeded", "purchase=succeeded",
     "expected Succeeded, AlreadyPurchased, NotPurchased, NetworkError, ServerError or an integer"},
    {"review=Canceled", "review=Canceled", "expected Succeeded, CanceledByUser, NetworkError, Error or an integer"},
    {"updated=yes", "updated=yes", "expected true, false or an HRESULT"},
    {"consumable=InsufficentQuantity", "consumable=InsufficentQuantity",
     "expected Succeeded, InsufficientQuantity, NetworkError, ServerError or an integer"},
    {"balance=4294967296", "balance=4294967296", "expected a count from 0 to 4294967295"},
    {"balance=-1", "balance=-1", "expected a count from 0 to 4294967295"},
    {"balance=E_FAIL", "balance=E_FAIL", "expected a count from 0 to 4294967295"},
    {"guid=0", "guid=0", hresult},
    {"status=S_OK", "status=S_OK", hresult},
    {"description=%G1", "description=%G1", percent},
    {"description=50%", "description=50%", percent},
    {"restricted=%2", "restricted=%2", percent},
    {"reported=0", "reported=0", hresult},
    {"details=1", "details=1", "expected an HRESULT, 0, S_OK or S_FALSE"},
    {"window=0:1,2,3,4", "window=0:1,2,3,4", window_form},
    {"window=5:1,2,3", "window=5:1,2,3", window_form},
    {"window=5", "window=5", window_form},
    {"window=x:norect", "window=x:norect", window_form},
    {"window=5:norect:close=", "window=5:norect:close=", window_form},
    {"window=5:norect:shut=1", "window=5:norect:shut=1", window_form},
    {"window=5:norect:close=1:x", "window=5:norect:close=1:x", window_form},
    {"window=5:norect:exit=1:exit=2", "window=5:norect:exit=1:exit=2", window_form},
    {"window=5:norect:close=1:close=1", "window=5:norect:close=1:close=1", window_form},
    {"window=5:norect:exit=soon", "window=5:norect:exit=soon", window_form},
    {"window=5:norect:exit=1:close=1:x=1", "window=5:norect:exit=1:close=1:x=1", window_form},
    {"post=quit", "post=quit", "expected quit@MS or message@MS"},
    {"post=exit@5", "post=exit@5", "expected quit@MS or message@MS"},
    {"post=quit@x", "post=quit@x", "expected quit@MS or message@MS"},
    {"apartment=none", "apartment=none", hresult},
    {"anchor=ok", "anchor=ok", "expected fail"},
    {"event=1", "event=1", "expected fail"},
    {"package=", "package=", "expected a package full name (percent-encoded text, not empty)"},
    {"package=%zz", "package=%zz", "expected a package full name (percent-encoded text, not empty)"},
    {"crash=segv", "crash=segv", "expected worker, main, throw, release, twice or abort"},
    {"at-exit=crash", "at-exit=crash", "expected hang or fault"},
};

TEST(scenario_parser, refuses_bad_items_by_name) {
    for (const bad_case& row : bad_cases) {
        SCOPED_TRACE(row.text);
        const auto parsed = parse_scenario(row.text);
        const auto* error = std::get_if<scenario_error>(&parsed);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->message, std::string("bad scenario item \"") + row.item + "\": " + row.problem);
    }
}

} // namespace
