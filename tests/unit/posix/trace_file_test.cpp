// The trace is appended only to a regular file: naming a FIFO or a link neither
// blocks the run nor writes through the link.
#include "simstore/trace_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(trace_file, appends_to_a_regular_file_and_leaves_anything_else_alone) {
    const auto folder = std::filesystem::temp_directory_path() / ("trace-file-test-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto regular = folder / "trace.jsonl", target = folder / "target", link = folder / "link",
               fifo = folder / "fifo";
    std::ofstream(target) << "kept";
    std::filesystem::create_symlink(target, link);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    simstore::append_to_trace_file(regular, "one\n");
    simstore::append_to_trace_file(regular, "two\n");
    EXPECT_EQ(contents(regular), "one\ntwo\n");

    simstore::append_to_trace_file(link, "through the link\n");
    EXPECT_EQ(contents(target), "kept");

    // Returns at once although nobody reads the FIFO (a blocking open would hang this test).
    simstore::append_to_trace_file(fifo, "into the fifo\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    std::filesystem::remove_all(folder);
}
