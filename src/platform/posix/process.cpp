// Thread identity, the thread's last error, package identity and elevation, standard input and output, and
// ending the process.
#include "../win.h"
#include "simulation.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;
std::atomic<DWORD> next_thread_id{1};

// Standard input and output as handles: odd values, never one of the events' handles.
const HANDLE standard_input = reinterpret_cast<HANDLE>(std::uintptr_t{0x0F});
const HANDLE standard_output = reinterpret_cast<HANDLE>(std::uintptr_t{0x11});
// The current process's pseudo-handle, as Windows has it.
const HANDLE current_process = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

} // namespace

DWORD GetCurrentThreadId() {
    // Small numbers handed out on first use, never 0, like Windows thread ids.
    thread_local const DWORD id = next_thread_id.fetch_add(1, std::memory_order_relaxed);
    return id;
}

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD error) { last_error = error; }

LONG GetCurrentPackageFullName(UINT32* length, LPWSTR name) {
    const auto& package = platform_scenario().package;
    if (!package) return APPMODEL_ERROR_NO_PACKAGE;
    const auto needed = static_cast<UINT32>(package->size() + 1);
    if (*length < needed || !name) {
        *length = needed;
        return static_cast<LONG>(ERROR_INSUFFICIENT_BUFFER);
    }
    package->copy(name, package->size());
    name[package->size()] = 0;
    *length = needed;
    return static_cast<LONG>(ERROR_SUCCESS);
}

HANDLE GetCurrentProcess() { return current_process; }

BOOL OpenProcessToken(HANDLE process, DWORD, PHANDLE token) {
    if (process != current_process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *token = process_token;
    return TRUE;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS which, LPVOID information, DWORD size,
                         LPDWORD returned) {
    if (token != process_token || which != TokenElevation) {
        SetLastError(token != process_token ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = sizeof(TOKEN_ELEVATION);
    if (size < sizeof(TOKEN_ELEVATION)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = platform_scenario().elevated ? 1 : 0;
    return TRUE;
}

// Like Windows, no exit processing: no destructors, no atexit work, no flush. On
// Linux straight through the system call: sanitizer runtimes intercept _exit and
// run exit work of their own there.
BOOL TerminateProcess(HANDLE process, UINT exit_code) {
    if (process != current_process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
#ifdef __linux__
    syscall(SYS_exit_group, static_cast<int>(exit_code));
#endif
    _exit(static_cast<int>(exit_code));
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == INFINITE) {
        for (;;) pause();
    }
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// A closed descriptor 0 is no standard input, as a process started without one has none on Windows.
HANDLE GetStdHandle(DWORD which) {
    if (which == STD_OUTPUT_HANDLE) return standard_output;
    if (which == STD_INPUT_HANDLE) return fcntl(STDIN_FILENO, F_GETFD) == -1 ? nullptr : standard_input;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    if (console != standard_input || !isatty(STDIN_FILENO)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *mode = 0;
    return TRUE;
}

// The end of the input is a read of 0 bytes, as on Windows for a file or a pipe whose writer closed it.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read_bytes, LPOVERLAPPED) {
    *read_bytes = 0;
    if (file != standard_input) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t result;
    do result = read(STDIN_FILENO, buffer, size);
    while (result < 0 && errno == EINTR);
    if (result < 0) {
        SetLastError(errno == EBADF ? ERROR_INVALID_HANDLE : ERROR_READ_FAULT);
        return FALSE;
    }
    *read_bytes = static_cast<DWORD>(result);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    if (file != standard_output) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ssize_t result;
    do result = write(STDOUT_FILENO, buffer, size);
    while (result < 0 && errno == EINTR);
    // A full non-blocking pipe or socket: success with nothing written, as a
    // PIPE_NOWAIT pipe answers on Windows, so that the caller has one rule.
    if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return TRUE;
    if (result < 0) {
        SetLastError(errno == EPIPE ? ERROR_BROKEN_PIPE : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (written) *written = static_cast<DWORD>(result);
    return TRUE;
}
