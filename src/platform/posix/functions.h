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

// Strings and text
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
BSTR SysAllocString(const WCHAR* text);
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
DWORD GetLastError();
void SetLastError(DWORD error);
[[noreturn]] void ExitProcess(UINT exit_code);
