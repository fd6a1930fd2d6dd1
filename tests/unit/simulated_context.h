// The simulated Store activated straight from a scenario text, without the
// environment, and a trace file that the tests read back.
#pragma once

#include "abi/store_abi.h"
#include "calls/store_calls.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "simstore/activation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

inline com_ptr<winabi::IStoreContextStatics> statics_for(std::string_view scenario,
                                                         const std::filesystem::path& trace = {}) {
    const unique_hstring name = make_hstring(winabi::store_context_class);
    com_ptr<IActivationFactory> factory;
    EXPECT_EQ(simstore::activate_store_context(name.get(), simstore::parse_scenario(scenario), trace, factory.put()),
              S_OK);
    com_ptr<winabi::IStoreContextStatics> statics;
    if (factory) {
        EXPECT_EQ(query(factory.get(), winabi::IStoreContextStatics::iid, statics), S_OK);
    }
    return statics;
}

inline com_ptr<winabi::IStoreContext> context_for(std::string_view scenario, const std::filesystem::path& trace = {}) {
    com_ptr<winabi::IStoreContext> context;
    if (const auto statics = statics_for(scenario, trace)) {
        EXPECT_EQ(statics->GetDefault(context.put()), S_OK);
    }
    return context;
}

class trace_file {
public:
    trace_file() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() / ("simulated-store-trace-" + std::to_string(stamp) + ".jsonl");
    }
    ~trace_file() { std::filesystem::remove(path_); }

    const std::filesystem::path& path() const { return path_; }
    // The lines without their time ("us"), which no test can know in advance.
    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        std::ifstream in(path_, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            const auto time = line.find(",\"us\":");
            EXPECT_NE(time, std::string::npos) << line;
            if (time != std::string::npos) line.erase(time, line.find_first_of(",}", time + 1) - time);
            lines.push_back(line);
        }
        return lines;
    }

private:
    std::filesystem::path path_;
};
