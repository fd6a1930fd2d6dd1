// The COM base interfaces for the portable target: abstract classes with the
// methods, in the slot order, that Windows gives them.
#pragma once

#include "types.h"

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IMarshal = {0x00000003, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IActivationFactory = {0x00000035, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IInspectable = {0xAF86E2E0, 0xB12D, 0x4C6A, {0x9C, 0x5A, 0xD7, 0xAA, 0x65, 0x10, 0x1E, 0x90}};
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xC0, 0xA9}};
inline constexpr IID IID_IAgileObject = {0x94EA2B94, 0xE9CC, 0x49E0, {0xC0, 0xFF, 0xEE, 0x64, 0xCA, 0x8F, 0x5B, 0x90}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IInspectable : IUnknown {
    virtual HRESULT GetIids(ULONG* count, IID** iids) = 0;
    virtual HRESULT GetRuntimeClassName(HSTRING* name) = 0;
    virtual HRESULT GetTrustLevel(TrustLevel* level) = 0;

protected:
    ~IInspectable() = default;
};

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* help_file) = 0;
    virtual HRESULT GetHelpContext(DWORD* help_context) = 0;

protected:
    ~IErrorInfo() = default;
};

// A marker: an object that answers it may be called from any thread.
struct IAgileObject : IUnknown {
protected:
    ~IAgileObject() = default;
};

// Nothing marshals on this target; the interface exists so that objects can
// answer for it as they do on Windows.
struct IMarshal : IUnknown {
    virtual HRESULT GetUnmarshalClass(REFIID iid, void* object, DWORD context, void* reserved, DWORD flags, GUID* clsid) = 0;
    virtual HRESULT GetMarshalSizeMax(REFIID iid, void* object, DWORD context, void* reserved, DWORD flags, DWORD* size) = 0;
    virtual HRESULT MarshalInterface(IUnknown* stream, REFIID iid, void* object, DWORD context, void* reserved, DWORD flags) = 0;
    virtual HRESULT UnmarshalInterface(IUnknown* stream, REFIID iid, void** object) = 0;
    virtual HRESULT ReleaseMarshalData(IUnknown* stream) = 0;
    virtual HRESULT DisconnectObject(DWORD reserved) = 0;

protected:
    ~IMarshal() = default;
};

struct IActivationFactory : IInspectable {
    virtual HRESULT ActivateInstance(IInspectable** instance) = 0;

protected:
    ~IActivationFactory() = default;
};
