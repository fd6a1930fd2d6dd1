// The IUnknown part of a COM object: an atomic reference count and a
// QueryInterface over the interfaces the object lists.
#pragma once

#include "win.h"

#include <atomic>
#include <type_traits>

// The interface ID of an interface type: the member iid of this program's own
// declarations, the SDK's constant for the system's.
template <class I>
inline constexpr const IID& iid_of = I::iid;
template <>
inline constexpr const IID& iid_of<IUnknown> = IID_IUnknown;
template <>
inline constexpr const IID& iid_of<IInspectable> = IID_IInspectable;
template <>
inline constexpr const IID& iid_of<IErrorInfo> = IID_IErrorInfo;
template <>
inline constexpr const IID& iid_of<IAgileObject> = IID_IAgileObject;
template <>
inline constexpr const IID& iid_of<IActivationFactory> = IID_IActivationFactory;

template <class Derived, class First, class... Rest>
class com_object : public First, public Rest... {
public:
    com_object() = default;
    com_object(const com_object&) = delete;
    com_object& operator=(const com_object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) {
        if (!object) return E_POINTER;
        *object = find(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() { return static_cast<ULONG>(refs_.fetch_add(1, std::memory_order_relaxed) + 1); }
    ULONG STDMETHODCALLTYPE Release() {
        const LONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(left);
    }

    // Windows Runtime interfaces also need these; an object that lists none of
    // them simply never has them called.
    HRESULT STDMETHODCALLTYPE GetIids(ULONG* count, IID** iids) {
        *count = 0;
        *iids = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* name) {
        *name = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* level) {
        *level = BaseTrust;
        return S_OK;
    }

protected:
    ~com_object() = default;

    // The interface pointer for iid, without a reference; null when not offered.
    void* find(REFIID iid) noexcept {
        if (iid == iid_of<IUnknown>) return static_cast<IUnknown*>(static_cast<First*>(this));
        if constexpr (std::is_base_of_v<IInspectable, First>)
            if (iid == iid_of<IInspectable>) return static_cast<IInspectable*>(static_cast<First*>(this));
        if (iid == iid_of<First>) return static_cast<First*>(this);
        void* found = nullptr;
        if constexpr (sizeof...(Rest) > 0) ((iid == iid_of<Rest> && (found = static_cast<Rest*>(this))) || ...);
        return found;
    }

private:
    std::atomic<LONG> refs_{1};
};
