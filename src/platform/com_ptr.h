// Owners for COM references and Windows Runtime strings: released when they go
// out of scope, on every path.
#pragma once

#include "win.h"

#include <utility>

template <class T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    com_ptr(const com_ptr& other) noexcept : ptr_(other.ptr_) { add_ref(); }
    com_ptr(com_ptr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ~com_ptr() { release(); }

    com_ptr& operator=(com_ptr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }

    // Takes over a reference that the caller already owns.
    static com_ptr attach(T* raw) noexcept {
        com_ptr result;
        result.ptr_ = raw;
        return result;
    }
    // Takes a reference of its own to an object the caller only lends.
    static com_ptr copy_from(T* raw) noexcept {
        if (raw) raw->AddRef();
        return attach(raw);
    }
    T* detach() noexcept { return std::exchange(ptr_, nullptr); }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    // The out-parameter of a call that hands over a reference; whatever was held is released first.
    T** put() noexcept {
        release();
        return &ptr_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    void reset() noexcept { release(); }

private:
    void add_ref() const noexcept {
        if (ptr_) ptr_->AddRef();
    }
    void release() noexcept {
        if (T* old = std::exchange(ptr_, nullptr)) old->Release();
    }

    T* ptr_ = nullptr;
};

// Asks an object for another of its interfaces; an empty pointer and the call's result otherwise.
template <class To, class From>
HRESULT query(From* from, REFIID iid, com_ptr<To>& to) noexcept {
    return from->QueryInterface(iid, to.put_void());
}
