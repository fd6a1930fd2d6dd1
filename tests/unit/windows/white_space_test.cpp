// The program's own white-space table must be the Windows runtime's.
#include "platform/white_space.h"

#include <gtest/gtest.h>

#include <cwctype>

TEST(white_space, matches_the_runtime_iswspace) {
    for (unsigned c = 0; c <= 0xFFFF; ++c)
        EXPECT_EQ(is_white_space(static_cast<WCHAR>(c)), std::iswspace(static_cast<wint_t>(c)) != 0) << std::hex << c;
}
