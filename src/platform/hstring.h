// Owners for platform strings: a Windows Runtime string and a COM BSTR.
#pragma once

#include "unique_any.h"

struct hstring_traits {
    using type = HSTRING;
    static constexpr type empty = nullptr;
    static void close(type text) noexcept { WindowsDeleteString(text); }
};
using unique_hstring = unique_any<hstring_traits>;

struct bstr_traits {
    using type = BSTR;
    static constexpr type empty = nullptr;
    static void close(type text) noexcept { SysFreeString(text); }
};
using unique_bstr = unique_any<bstr_traits>;

// The string's characters, with its exact length; empty for none.
inline wide_view view_of(const unique_bstr& text) noexcept {
    return text ? wide_view(text.get(), SysStringLen(text.get())) : wide_view();
}
inline wide_view view_of(HSTRING text) noexcept {
    UINT32 length = 0;
    const WCHAR* characters = WindowsGetStringRawBuffer(text, &length);
    return wide_view(characters, length);
}
inline wide_view view_of(const unique_hstring& text) noexcept { return view_of(text.get()); }
