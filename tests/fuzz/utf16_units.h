// Fuzz input as UTF-16 text. Bytes below 0x80 are those characters; 0xFF takes
// the next two bytes as one code unit; every other high byte picks one of the
// target's notable units, so that short inputs reach every branch.
#pragma once

#include "platform/win.h"

#include <cstddef>
#include <cstdint>

template <std::size_t Count>
wide_string units_of(const std::uint8_t* data, std::size_t size, const char16_t (&notable)[Count]) {
    wide_string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80) {
            text += static_cast<char16_t>(data[i]);
        } else if (data[i] == 0xFF && i + 2 < size) {
            text += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
            i += 2;
        } else {
            text += notable[data[i] % Count];
        }
    }
    return text;
}
