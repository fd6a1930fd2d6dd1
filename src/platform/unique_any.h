// One owner for every kind of plain platform handle: a traits type names the
// handle's type, its empty value and how it is closed, in the manner of WIL's
// unique_any. The owner closes what it holds when it goes out of scope.
#pragma once

#include "win.h"

#include <utility>

template <class Traits>
class unique_any {
public:
    using type = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(type value) noexcept : value_(value) {}
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) {
            reset();
            value_ = other.release();
        }
        return *this;
    }
    ~unique_any() { reset(); }

    type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::empty; }

    // The out-parameter of a call that hands over a handle; whatever was held is closed first.
    type* put() noexcept {
        reset();
        return &value_;
    }

    // Gives up ownership without closing.
    type release() noexcept { return std::exchange(value_, Traits::empty); }

    void reset() noexcept {
        if (const type old = std::exchange(value_, Traits::empty); old != Traits::empty) Traits::close(old);
    }

private:
    type value_ = Traits::empty;
};

// A buffer that a system call allocated for the caller, such as FormatMessageW's.
struct local_traits {
    using type = HLOCAL;
    static constexpr type empty = nullptr;
    static void close(type memory) noexcept { LocalFree(memory); }
};
using unique_hlocal = unique_any<local_traits>;

// A window of this thread's. Owned windows go with their owner, so the one held
// may already be gone: it is destroyed only while it still exists.
struct window_traits {
    using type = HWND;
    static constexpr type empty = nullptr;
    static void close(type window) noexcept {
        if (IsWindow(window)) DestroyWindow(window);
    }
};
using unique_window = unique_any<window_traits>;

// A handle of a kernel object: an event, or a process opened to wait for its end.
struct handle_traits {
    using type = HANDLE;
    static constexpr type empty = nullptr;
    static void close(type handle) noexcept { CloseHandle(handle); }
};
using unique_handle = unique_any<handle_traits>;
