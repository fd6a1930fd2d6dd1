// The KINDS argument: words go to the Store unchanged and in order; an empty word is refused.
#include "flows/product_kinds.h"

#include <gtest/gtest.h>

TEST(parse_product_kinds, table) {
    using words = std::vector<wide_string>;
    const std::pair<wide_view, std::optional<words>> cases[] = {
        {WIDE("Durable"), words{WIDE("Durable")}},
        {WIDE("Durable,Consumable"), words{WIDE("Durable"), WIDE("Consumable")}},
        {WIDE("Game,Durable,Game"), words{WIDE("Game"), WIDE("Durable"), WIDE("Game")}},
        {WIDE(" durable , Ünbekannt"), words{WIDE(" durable "), WIDE(" Ünbekannt")}},
        {WIDE("a;b"), words{WIDE("a;b")}},
        {WIDE(""), std::nullopt},
        {WIDE(","), std::nullopt},
        {WIDE("Durable,,Game"), std::nullopt},
        {WIDE(",Durable"), std::nullopt},
        {WIDE("Durable,"), std::nullopt},
    };
    for (const auto& [argument, expected] : cases)
        EXPECT_EQ(parse_product_kinds(argument), expected) << std::string(argument.begin(), argument.end());
}
