// The one header through which the program reaches Windows names. On Windows it
// is the SDK; elsewhere it is the small portable replacement in posix/.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <oleauto.h>
#include <inspectable.h>
#include <activation.h>
#include <roapi.h>
#include <winstring.h>
#if __has_include(<roerrorapi.h>)
#include <roerrorapi.h>
#else
// mingw-w64 declares no roerrorapi.h; combase exports the function all the same.
extern "C" BOOL WINAPI RoOriginateLanguageException(HRESULT error, HSTRING message, IUnknown* languageException);
#endif
#if __has_include(<appmodel.h>)
#include <appmodel.h>
#else
// mingw-w64 declares no appmodel.h; kernel32 exports the function all the same.
extern "C" LONG WINAPI GetCurrentPackageFullName(UINT32* packageFullNameLength, PWSTR packageFullName);
#define PACKAGE_FULL_NAME_MAX_LENGTH 127
#endif
// Windows Runtime error codes that older SDKs (mingw-w64 among them) lack.
#ifndef E_BOUNDS
#define E_BOUNDS _HRESULT_TYPEDEF_(0x8000000BL)
#endif
#ifndef E_CHANGED_STATE
#define E_CHANGED_STATE _HRESULT_TYPEDEF_(0x8000000CL)
#endif
#ifndef E_ILLEGAL_STATE_CHANGE
#define E_ILLEGAL_STATE_CHANGE _HRESULT_TYPEDEF_(0x8000000DL)
#endif
#ifndef E_ILLEGAL_METHOD_CALL
#define E_ILLEGAL_METHOD_CALL _HRESULT_TYPEDEF_(0x8000000EL)
#endif
#ifndef E_ILLEGAL_DELEGATE_ASSIGNMENT
#define E_ILLEGAL_DELEGATE_ASSIGNMENT _HRESULT_TYPEDEF_(0x80000018L)
#endif
#define WIDE(text) L##text
#else
#include "posix/types.h"
#include "posix/com.h"
#include "posix/functions.h"
#define WIDE(text) u##text
#endif

#include <string>
#include <string_view>

// UTF-16 inside the program on every target: wchar_t on Windows, char16_t elsewhere.
using wide_string = std::basic_string<WCHAR>;
using wide_view = std::basic_string_view<WCHAR>;
