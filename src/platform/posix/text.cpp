// BSTR, Windows Runtime strings, and the UTF-8 code page of the two conversion calls.
#include "../utf16.h"
#include "../win.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// A BSTR is preceded by its length in bytes and followed by a terminating zero.
struct bstr_header {
    std::uint32_t bytes;
};

struct hstring_body {
    UINT32 length;
    WCHAR text[1];
};

// Decodes one well-formed UTF-8 sequence at text[0..available); 0 when the
// bytes there are not one (the caller then replaces a single byte).
int decode_utf8(const unsigned char* text, int available, char32_t& c) {
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    int length;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, min = 0x80, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, min = 0x800, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, min = 0x10000, c = lead & 0x07;
    else return 0;
    if (available < length) return 0;
    for (int i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (text[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

} // namespace

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
    void* memory = std::malloc(sizeof(bstr_header) + (std::size_t{length} + 1) * sizeof(WCHAR));
    if (!memory) return nullptr;
    auto* header = static_cast<bstr_header*>(memory);
    header->bytes = length * sizeof(WCHAR);
    auto* body = reinterpret_cast<WCHAR*>(header + 1);
    if (text) std::memcpy(body, text, length * sizeof(WCHAR));
    else std::memset(body, 0, length * sizeof(WCHAR));
    body[length] = 0;
    return body;
}

void SysFreeString(BSTR text) {
    if (text) std::free(reinterpret_cast<bstr_header*>(text) - 1);
}

UINT SysStringLen(BSTR text) { return text ? (reinterpret_cast<bstr_header*>(text) - 1)->bytes / sizeof(WCHAR) : 0; }

HRESULT WindowsCreateString(LPCWSTR text, UINT32 length, HSTRING* string) {
    if (!string) return E_INVALIDARG;
    *string = nullptr;
    if (length == 0) return S_OK; // the empty string is the null HSTRING
    if (!text) return E_POINTER;
    void* memory = std::malloc(offsetof(hstring_body, text) + (std::size_t{length} + 1) * sizeof(WCHAR));
    if (!memory) return E_OUTOFMEMORY;
    auto* body = static_cast<hstring_body*>(memory);
    body->length = length;
    std::memcpy(body->text, text, length * sizeof(WCHAR));
    body->text[length] = 0;
    *string = reinterpret_cast<HSTRING>(body);
    return S_OK;
}

HRESULT WindowsDeleteString(HSTRING string) {
    std::free(reinterpret_cast<hstring_body*>(string));
    return S_OK;
}

LPCWSTR WindowsGetStringRawBuffer(HSTRING string, UINT32* length) {
    static constexpr WCHAR empty[1] = {0};
    const auto* body = reinterpret_cast<const hstring_body*>(string);
    if (length) *length = body ? body->length : 0;
    return body ? body->text : empty;
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR text, int length, char* output, int output_size,
                        const char* default_char, BOOL* used_default_char) {
    if (code_page != CP_UTF8 || flags != 0 || default_char || used_default_char || !text || length == 0 ||
        output_size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (length < 0) { // zero-terminated, the terminator included
        length = 0;
        while (text[length]) ++length;
        ++length;
    }
    int needed = 0;
    char* out = output;
    const WCHAR* at = text;
    const WCHAR* const end = text + length;
    while (at != end) {
        // Most text is ASCII: four such units are four bytes, tested and
        // copied as one word.
        if (end - at >= 4) {
            std::uint64_t units;
            std::memcpy(&units, at, sizeof units);
            if ((units & 0xFF80FF80FF80FF80) == 0) {
                if (output_size) {
                    if (output_size - needed < 4) {
                        SetLastError(ERROR_INSUFFICIENT_BUFFER);
                        return 0;
                    }
                    for (int k = 0; k < 4; ++k) *out++ = static_cast<char>(at[k]);
                }
                needed += 4;
                at += 4;
                continue;
            }
        }
        const char32_t c = next_code_point(at, end);
        const int size = utf8_size(c);
        if (output_size) {
            if (needed + size > output_size) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            out = put_utf8(out, c);
        }
        needed += size;
    }
    return needed;
}

int MultiByteToWideChar(UINT code_page, DWORD flags, const char* text, int length, LPWSTR output, int output_size) {
    if (code_page != CP_UTF8 || flags != 0 || !text || length == 0 || output_size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (length < 0) length = static_cast<int>(std::strlen(text)) + 1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    int needed = 0;
    for (int i = 0; i < length;) {
        char32_t c;
        int used = decode_utf8(bytes + i, length - i, c);
        if (used == 0) c = replacement_character, used = 1;
        i += used;
        const int units = c >= 0x10000 ? 2 : 1;
        if (output_size) {
            if (needed + units > output_size) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            if (units == 2) {
                output[needed] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
                output[needed + 1] = static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                output[needed] = static_cast<WCHAR>(c);
            }
        }
        needed += units;
    }
    return needed;
}
