// The lines of "consume" and "balance": member order, the balance's full range,
// and which extended errors become a code.
#include "output/consumable_lines.h"

#include <gtest/gtest.h>

namespace {

constexpr GUID tracking_id = {0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};

} // namespace

TEST(consumable_lines, members_in_order_and_codes_only_for_failures) {
    struct row {
        consumable_record answer;
        const char* consume;
        const char* balance;
    };
    const row rows[] = {
        {{"succeeded", 4, S_OK},
         R"({"status":"succeeded","balance":4,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","code":null,"error":null})",
         R"({"status":"succeeded","balance":4,"code":null,"error":null})"},
        {{"network", 0, static_cast<HRESULT>(0x80070005)},
         R"({"status":"network","balance":0,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","code":"0x80070005","error":null})",
         R"({"status":"network","balance":0,"code":"0x80070005","error":null})"},
        {{"insufficientQuantity", 4294967295u, static_cast<HRESULT>(0x803F6109)},
         R"({"status":"insufficientQuantity","balance":4294967295,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","code":"0x803F6109","error":null})",
         R"({"status":"insufficientQuantity","balance":4294967295,"code":"0x803F6109","error":null})"},
        // A success code other than S_OK is no failure: no code.
        {{"error", 1, S_FALSE},
         R"({"status":"error","balance":1,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","code":null,"error":null})",
         R"({"status":"error","balance":1,"code":null,"error":null})"},
        {{"server", 7, static_cast<HRESULT>(0x80000000)},
         R"({"status":"server","balance":7,"trackingId":"6f9619ff-8b86-d011-b42d-00c04fc964ff","code":"0x80000000","error":null})",
         R"({"status":"server","balance":7,"code":"0x80000000","error":null})"},
    };
    for (const row& r : rows) {
        const result_line consume = consume_line(r.answer, tracking_id);
        const result_line balance = balance_line(r.answer);
        EXPECT_EQ(consume.text, r.consume);
        EXPECT_EQ(balance.text, r.balance);
        EXPECT_EQ(consume.exit_code, 0);
        EXPECT_EQ(balance.exit_code, 0);
    }
}
