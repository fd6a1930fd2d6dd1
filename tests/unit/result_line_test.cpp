// Every shape of the lines of buy, review, version and the general failure,
// with its exit code and its texts escaped, line breaks becoming spaces.
#include "output/result_line.h"

#include <gtest/gtest.h>

#include <optional>

TEST(result_lines, every_shape_is_exact_with_its_exit_code) {
    const wide_string text = WIDE("a \"quoted\" \\ text\r\nwith\ttab caf\u00e9");
    const std::string escaped = "a \\\"quoted\\\" \\\\ text  with\\u0009tab caf\xc3\xa9";
    struct shape {
        result_line made;
        std::string line;
        int exit_code;
    };
    const shape shapes[] = {
        {usage_line(), R"({"error":"usage"})", 2},
        {general_failure_line(text), R"({"error":")" + escaped + R"("})", 1},
        {general_failure_line(std::string_view("not\r\nwide")), R"({"error":"not  wide"})", 1},
        {general_failure_line(WIDE("")), R"({"error":""})", 1},
        {purchase_status_line("alreadyPurchased"), R"({"status":"alreadyPurchased","error":null})", 0},
        {purchase_failure_line(text), R"({"status":"error","error":")" + escaped + R"("})", 1},
        {review_status_line("succeeded", true), R"({"status":"succeeded","updated":true,"error":null})", 0},
        {review_status_line("network", false), R"({"status":"network","updated":false,"error":null})", 0},
        {no_operation_line(), R"({"status":"error","updated":false,"error":"no operation"})", 1},
        {owner_closed_line(), R"({"status":"error","updated":false,"error":"owner closed"})", 1},
        {review_failure_line(WIDE("no result")), R"({"status":"error","updated":false,"error":"no result"})", 1},
        {review_failure_line(text), R"({"status":"error","updated":false,"error":")" + escaped + R"("})", 1},
        {version_line("0.2.0", std::nullopt, std::nullopt),
         R"({"status":"ok","version":"0.2.0","package":null,"elevated":null,"error":null})", 0},
        {version_line("0.2.0", std::nullopt, false),
         R"({"status":"ok","version":"0.2.0","package":null,"elevated":false,"error":null})", 0},
        {version_line("1.0.0-rc1", text, true),
         R"({"status":"ok","version":"1.0.0-rc1","package":")" + escaped + R"(","elevated":true,"error":null})", 0},
    };
    for (const auto& s : shapes) {
        EXPECT_EQ(s.made.text, s.line);
        EXPECT_EQ(s.made.exit_code, s.exit_code) << s.line;
    }
    EXPECT_EQ(bad_allocation_line, general_failure_line("bad allocation").text);
    EXPECT_EQ(std::string_view(crash_line_bytes, crash_line_size),
              R"({"status":"error","updated":false,"error":"crash"})");
}
