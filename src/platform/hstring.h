// Owners for platform strings: a Windows Runtime string and a COM BSTR.
#pragma once

#include "win.h"

#include <utility>

class unique_hstring {
public:
    unique_hstring() noexcept = default;
    unique_hstring(const unique_hstring&) = delete;
    unique_hstring& operator=(const unique_hstring&) = delete;
    ~unique_hstring() { WindowsDeleteString(value_); }

    HSTRING get() const noexcept { return value_; }
    HSTRING* put() noexcept {
        WindowsDeleteString(std::exchange(value_, nullptr));
        return &value_;
    }
    wide_view view() const noexcept {
        UINT32 length = 0;
        const WCHAR* text = WindowsGetStringRawBuffer(value_, &length);
        return wide_view(text, length);
    }

private:
    HSTRING value_ = nullptr;
};

class unique_bstr {
public:
    unique_bstr() noexcept = default;
    unique_bstr(const unique_bstr&) = delete;
    unique_bstr& operator=(const unique_bstr&) = delete;
    ~unique_bstr() { SysFreeString(value_); }

    BSTR get() const noexcept { return value_; }
    BSTR* put() noexcept {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    wide_view view() const noexcept { return value_ ? wide_view(value_, SysStringLen(value_)) : wide_view(); }

private:
    BSTR value_ = nullptr;
};
