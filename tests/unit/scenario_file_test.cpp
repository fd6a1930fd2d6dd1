// A scenario from a file and the environment together: the file's line and
// comment rules, the variable's items after the file's, and a file that cannot
// be read.
#include "simstore/scenario_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

using namespace simstore;

std::string utf8_of(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

// The keys the cases use: one that replaces and one that adds.
std::string summary(const parsed_scenario& parsed) {
    if (const auto* refused = std::get_if<scenario_error>(&parsed)) return "refused: " + refused->message;
    const scenario& settings = std::get<scenario>(parsed);
    std::ostringstream out;
    out << "after " << settings.after.count() << " purchase " << settings.purchase << " products";
    for (const product_settings& product : settings.products)
        out << ' ' << std::string(product.store_id.begin(), product.store_id.end());
    return out.str();
}

struct file_case {
    const char* name;
    std::optional<std::string> file; // none: no file named
    const char* variable;
    const char* expected;
};

const file_case file_cases[] = {
    {"no file, the variable alone", std::nullopt, "after=25", "after 25 purchase 0 products"},
    {"an empty file", "", "", "after 100 purchase 0 products"},
    {"lines", "after=25\npurchase=2\nproduct=9A", "", "after 25 purchase 2 products 9A"},
    {"semicolons within a line", "after=25;purchase=2\nproduct=9A;", "", "after 25 purchase 2 products 9A"},
    {"CRLF line ends", "after=25\r\npurchase=2\r\n", "", "after 25 purchase 2 products"},
    {"blanks around items", " after=25 \t\n\tpurchase=2", "", "after 25 purchase 2 products"},
    {"blank lines and comments", "# catalogue\n\n  \t\n   # after=soon\r\n#after=1;purchase=9\nafter=25\n", "",
     "after 25 purchase 0 products"},
    {"a '#' after the line's start is no comment", "after=25 # soon", "",
     "refused: bad scenario item \"after=25 # soon\": expected milliseconds, now or never"},
    {"a byte order mark", "\xEF\xBB\xBF" "after=25", "", "after 25 purchase 0 products"},
    {"the variable follows the last line", "after=25", "purchase=2", "after 25 purchase 2 products"},
    {"the variable overrides", "after=25\npurchase=2", "after=50", "after 50 purchase 2 products"},
    {"the variable adds to lists", "product=9B\nproduct=9A", "product=9C", "after 100 purchase 0 products 9B 9A 9C"},
    {"a bad item in the file", "after=25\nafter=soon\n", "after=50",
     "refused: bad scenario item \"after=soon\": expected milliseconds, now or never"},
};

class scenario_files : public testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = std::filesystem::temp_directory_path() / ("scenario-file-test-" + std::to_string(stamp));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};

} // namespace

TEST_F(scenario_files, read_the_file_then_the_variable) {
    for (const file_case& row : file_cases) {
        SCOPED_TRACE(row.name);
        std::string file_name;
        if (row.file) {
            const auto file = folder_ / "scenario.txt";
            std::ofstream(file, std::ios::binary) << *row.file;
            file_name = utf8_of(file);
        }
        EXPECT_EQ(summary(parse_configured_scenario(file_name, row.variable)), row.expected);
    }
}

TEST_F(scenario_files, refuse_a_file_that_cannot_be_read) {
    for (const auto& unreadable : {folder_ / "missing.txt", folder_}) {
        const std::string name = utf8_of(unreadable);
        EXPECT_EQ(summary(parse_configured_scenario(name, "after=25")),
                  "refused: bad scenario file \"" + name + "\": cannot be read");
    }
}
