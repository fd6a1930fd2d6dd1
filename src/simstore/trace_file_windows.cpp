#include "trace_file.h"
#include "../platform/win.h"

namespace simstore {

void append_to_trace_file(const std::filesystem::path& file, std::string_view line) {
    // The reparse point itself is opened, never what it points to.
    const HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    // The attributes alone, never GetFileInformationByHandle: its volume serial
    // number is a request to Wine's mount manager that stays in flight while this
    // thread waits for it. Should another thread crash and end the run meanwhile,
    // Wine ends this thread while it may hold its lock on the address space, hands
    // the request's completion to the crashing thread, and that thread, needing the
    // same lock, never ends the process.
    FILE_ATTRIBUTE_TAG_INFO information{};
    if (GetFileType(handle) == FILE_TYPE_DISK &&
        GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &information, sizeof information) &&
        !(information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        while (!line.empty()) {
            DWORD written = 0;
            if (!WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) || written == 0)
                break;
            line.remove_prefix(written);
        }
    }
    CloseHandle(handle);
}

} // namespace simstore
