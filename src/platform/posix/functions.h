// The Windows functions that the program calls, for the portable target. Each
// behaves as its Windows namesake does for the arguments the program passes.
#pragma once

#include "types.h"
#include "com.h"

// COM, error information and activation
HRESULT CoInitializeEx(void* reserved, DWORD apartment);
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
BOOL RoOriginateLanguageException(HRESULT error, HSTRING message, IUnknown* language_exception);
HRESULT CoCreateFreeThreadedMarshaler(IUnknown* outer, IUnknown** marshaler);
HRESULT RoGetActivationFactory(HSTRING class_id, REFIID iid, void** factory);
HRESULT CoCreateGuid(GUID* guid);

// Strings and text
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
HRESULT WindowsCreateString(LPCWSTR text, UINT32 length, HSTRING* string);
HRESULT WindowsDeleteString(HSTRING string);
LPCWSTR WindowsGetStringRawBuffer(HSTRING string, UINT32* length);
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPWSTR buffer, DWORD size,
                     void* arguments);
HLOCAL LocalFree(HLOCAL memory);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR text, int length, char* output, int output_size,
                        const char* default_char, BOOL* used_default_char);
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* text, int length, LPWSTR output, int output_size);

// Threads, last error, process
DWORD GetCurrentThreadId();
LONG GetCurrentPackageFullName(UINT32* length, LPWSTR name); // the scenario's package, if it names one
DWORD GetLastError();
void SetLastError(DWORD error);
HANDLE GetCurrentProcess();
// For the current process only: ends every thread at once, without exit processing.
BOOL TerminateProcess(HANDLE process, UINT exit_code);
void Sleep(DWORD milliseconds);

// Standard input, which some commands read whole, and standard output, the one file the program writes
HANDLE GetStdHandle(DWORD which);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode); // succeeds for a terminal
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);

// The process token: its elevation, as the scenario says
BOOL OpenProcessToken(HANDLE process, DWORD access, PHANDLE token);
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS which, LPVOID information, DWORD size,
                         LPDWORD returned);

// Windows: this process's "STATIC" windows, and other processes' windows as the scenario declares them
HMODULE GetModuleHandleW(LPCWSTR module_name);
HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR window_name, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL ShowWindow(HWND window, int command);
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL DestroyWindow(HWND window);
int GetClassNameW(HWND window, LPWSTR class_name, int max_count);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
HWND GetWindow(HWND window, UINT command);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD process_id);

// Message queues, one per thread
BOOL GetMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max);
BOOL PeekMessageW(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostThreadMessageW(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(int exit_code);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);

// Events and waits
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD timeout_ms);
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD timeout_ms, DWORD wake_mask, DWORD flags);

// Processes: other processes' only as far as a declared window names them, to wait for their end
HANDLE OpenProcess(DWORD access, BOOL inherit_handle, DWORD process_id);
