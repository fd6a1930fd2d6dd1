// The arguments of "update": flags first, each at most once, then the handle.
#include "flows/update_arguments.h"

#include <gtest/gtest.h>

#include <vector>

TEST(parse_update_arguments, accepted_and_refused_forms) {
    struct row {
        std::vector<wide_string> words;
        bool accepted;
        bool download_only = false, silent = false, progress = false;
        wide_view window = {};
    };
    const row rows[] = {
        {{}, true, false, false, false, WIDE("")},
        {{WIDE("--progress")}, true, false, false, true, WIDE("")},
        {{WIDE("--silent"), WIDE("--download-only")}, true, true, true, false, WIDE("")},
        {{WIDE("--download-only"), WIDE("--progress"), WIDE("--silent"), WIDE("123")}, true, true, true, true,
         WIDE("123")},
        {{WIDE("123")}, true, false, false, false, WIDE("123")},
        {{WIDE("--progress"), WIDE("-5")}, true, false, false, true, WIDE("-5")},
        {{WIDE("123"), WIDE("456")}, true, false, false, false, WIDE("123")},
        {{WIDE("-"), WIDE("x")}, true, false, false, false, WIDE("-")},
        {{WIDE("")}, true, false, false, false, WIDE("")},
        {{WIDE("--bogus")}, false},
        {{WIDE("--")}, false},
        {{WIDE("--Silent")}, false},
        {{WIDE("--silent ")}, false},
        {{WIDE("--silent"), WIDE("--silent")}, false},
        {{WIDE("--progress"), WIDE("--silent"), WIDE("--progress")}, false},
        {{WIDE("123"), WIDE("--silent")}, false},
        {{WIDE("123"), WIDE("456"), WIDE("--progress")}, false},
        {{WIDE("123"), WIDE("--bogus")}, false},
    };
    for (const row& r : rows) {
        const auto parsed = parse_update_arguments(r.words);
        SCOPED_TRACE(testing::PrintToString(r.words.size()) + " words, first " +
                     (r.words.empty() ? std::string() : std::string(r.words[0].begin(), r.words[0].end())));
        ASSERT_EQ(parsed.has_value(), r.accepted);
        if (!parsed) continue;
        EXPECT_EQ(parsed->download_only, r.download_only);
        EXPECT_EQ(parsed->silent, r.silent);
        EXPECT_EQ(parsed->progress, r.progress);
        EXPECT_TRUE(parsed->window == r.window);
    }
}
