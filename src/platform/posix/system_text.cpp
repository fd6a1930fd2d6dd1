// FormatMessageW from a table of the Windows system texts for the codes this
// program can meet; any other code has no text, as on a system without it.
#include "../win.h"

#include <cstdlib>
#include <cstring>

namespace {

struct system_text {
    DWORD code;
    const char16_t* text;
};

constexpr system_text texts[] = {
    {0x80004001, u"Not implemented\r\n"},
    {0x80004002, u"No such interface supported\r\n"},
    {0x80004003, u"Invalid pointer\r\n"},
    {0x80004004, u"Operation aborted\r\n"},
    {0x80004005, u"Unspecified error\r\n"},
    {0x8000FFFF, u"Catastrophic failure\r\n"},
    {0x80070005, u"Access is denied.\r\n"},
    {0x80070006, u"The handle is invalid.\r\n"},
    {0x80070008, u"Not enough memory resources are available to process this command.\r\n"},
    {0x8007000E, u"Not enough memory resources are available to complete this operation.\r\n"},
    {0x80070057, u"The parameter is incorrect.\r\n"},
    {0x8007007A, u"The data area passed to a system call is too small.\r\n"},
    {0x800700A4, u"No more threads can be created in the system.\r\n"},
    {0x800704C7, u"The operation was canceled by the user.\r\n"},
    {0x8000000B, u"The operation attempted to access data outside the valid range\r\n"},
    {0x8000000C, u"A concurrent or interleaved operation changed the state of the object, invalidating this operation.\r\n"},
    {0x8000000D, u"An illegal state change was requested.\r\n"},
    {0x8000000E, u"A method was called at an unexpected time.\r\n"},
    {0x80000018, u"A delegate was assigned when not allowed.\r\n"},
    {0x80010106, u"Cannot change thread mode after it is set.\r\n"},
    {0x8001010E, u"The application called an interface that was marshalled for a different thread.\r\n"},
    {0x80040111, u"ClassFactory cannot supply requested class\r\n"},
    {0x80040154, u"Class not registered\r\n"},
    {0x800401F0, u"CoInitialize has not been called.\r\n"},
};

const char16_t* find_text(DWORD code) {
    for (const system_text& entry : texts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

} // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPWSTR buffer, DWORD size,
                     void* arguments) {
    // Only the one form the program uses: a system text in a buffer the call allocates.
    constexpr DWORD supported =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (flags != supported || source || arguments || !buffer || size != 0 ||
        language_id != MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char16_t* text = find_text(message_id);
    if (!text) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    DWORD length = 0;
    while (text[length]) ++length;
    auto* copy = static_cast<WCHAR*>(std::malloc((length + 1) * sizeof(WCHAR)));
    if (!copy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memcpy(copy, text, (length + 1) * sizeof(WCHAR));
    *reinterpret_cast<WCHAR**>(buffer) = copy;
    return length;
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}
