// The apartment, per-thread error information, and the free-threaded marshaler.
#include "../win.h"
#include "../com_object.h"
#include "../com_ptr.h"
#include "../hstring.h"
#include "../error_info_object.h"
#include "simulation.h"

#include <new>

namespace {

thread_local DWORD apartment = 0;
thread_local bool apartment_set = false;
thread_local com_ptr<IErrorInfo> thread_error_info;

wide_string system_text_of(HRESULT code) {
    WCHAR* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<WCHAR*>(&buffer), 0, nullptr);
    wide_string text(buffer ? buffer : WIDE(""), length);
    LocalFree(buffer);
    return text;
}

// The marshaler's own identity answers IUnknown and IMarshal; the IMarshal it
// hands out belongs to the outer object, as aggregation requires. Nothing
// marshals on this target, so its methods decline.
class free_threaded_marshaler final : public IMarshal {
public:
    explicit free_threaded_marshaler(IUnknown* outer) : outer_(outer), inner_(this) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { return outer_->QueryInterface(iid, object); }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }
    HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MarshalInterface(IUnknown*, REFIID, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnmarshalInterface(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD) override { return E_NOTIMPL; }

    IUnknown* inner() { return &inner_; }

private:
    class inner_unknown final : public IUnknown {
    public:
        explicit inner_unknown(free_threaded_marshaler* owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
            if (!object) return E_POINTER;
            if (iid == IID_IUnknown) *object = this;
            else if (iid == IID_IMarshal) *object = static_cast<IMarshal*>(owner_);
            else return *object = nullptr, E_NOINTERFACE;
            static_cast<IUnknown*>(*object)->AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
        ULONG STDMETHODCALLTYPE Release() override {
            const ULONG left = --refs_;
            if (left == 0) delete owner_;
            return left;
        }

    private:
        free_threaded_marshaler* owner_;
        std::atomic<ULONG> refs_{1};
    };

    IUnknown* outer_;
    inner_unknown inner_;
};

} // namespace

HRESULT CoInitializeEx(void* reserved, DWORD requested) {
    if (reserved) return E_INVALIDARG;
    if (const HRESULT fault = platform_scenario().apartment; fault < 0) return fault;
    if (apartment_set) return apartment == requested ? S_FALSE : RPC_E_CHANGED_MODE;
    apartment_set = true;
    apartment = requested;
    return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info) {
    if (reserved || !info) return E_INVALIDARG;
    *info = thread_error_info.detach();
    return *info ? S_OK : S_FALSE;
}

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
    if (reserved) return E_INVALIDARG;
    if (info) info->AddRef();
    thread_error_info = com_ptr<IErrorInfo>::attach(info);
    return S_OK;
}

BOOL RoOriginateLanguageException(HRESULT error, HSTRING message, IUnknown*) {
    if (error >= 0) return FALSE;
    UINT32 length = 0;
    const WCHAR* text = WindowsGetStringRawBuffer(message, &length);
    try {
        // Windows describes the error with the system text and keeps the message,
        // if any, as the restricted description.
        std::optional<wide_string> restricted;
        if (length) restricted.emplace(text, length);
        const auto originated = com_ptr<IErrorInfo>::attach(
            new error_info_object(error_details{error, system_text_of(error), std::move(restricted)}));
        SetErrorInfo(0, originated.get());
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

HRESULT CoCreateFreeThreadedMarshaler(IUnknown* outer, IUnknown** marshaler) {
    if (!outer || !marshaler) return E_INVALIDARG;
    auto* created = new (std::nothrow) free_threaded_marshaler(outer);
    if (!created) return E_OUTOFMEMORY;
    *marshaler = created->inner();
    return S_OK;
}
