// The vectors of objects the simulated Store hands out: IVectorView<T*> that
// also offers its IIterable<T*>, as the platform's vectors do, so a caller may
// hand the view on where an iterable is asked for. Items keep their order;
// each iterator is a fresh object; every item handed out carries a reference.
#pragma once

#include "../abi/store_query_abi.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace simstore {

template <class T>
using vector_items = std::vector<com_ptr<T>>;

// Copies up to `capacity` items from `start` on, each with a reference; the count copied.
template <class T>
UINT32 copy_items(const vector_items<T>& items, std::size_t start, UINT32 capacity, T** out) {
    const std::size_t count = start < items.size() ? std::min<std::size_t>(capacity, items.size() - start) : 0;
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = items[start + i].get();
        if (out[i]) out[i]->AddRef();
    }
    return static_cast<UINT32>(count);
}

template <class T>
class vector_iterator final : public com_object<vector_iterator<T>, winabi::IIterator<T*>, IAgileObject> {
public:
    explicit vector_iterator(std::shared_ptr<const vector_items<T>> items) : items_(std::move(items)) {}

    HRESULT STDMETHODCALLTYPE get_Current(T** current) override {
        *current = nullptr;
        if (next_ >= items_->size()) return E_BOUNDS;
        copy_items(*items_, next_, 1, current);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has_current) override {
        *has_current = next_ < items_->size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* has_current) override {
        if (next_ < items_->size()) ++next_;
        return get_HasCurrent(has_current);
    }
    // Takes the items from the current one on and moves past them.
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, T** items, UINT32* actual) override {
        *actual = copy_items(*items_, next_, capacity, items);
        next_ += *actual;
        return S_OK;
    }

private:
    const std::shared_ptr<const vector_items<T>> items_;
    std::size_t next_ = 0;
};

template <class T>
class vector_view final
    : public com_object<vector_view<T>, winabi::IVectorView<T*>, winabi::IIterable<T*>, IAgileObject> {
public:
    // `at_end` runs when the last reference goes: a view that is a request's
    // result traces its end there, as the other results do.
    explicit vector_view(vector_items<T> items, std::function<void()> at_end = {})
        : items_(std::make_shared<const vector_items<T>>(std::move(items))), at_end_(std::move(at_end)) {}
    ~vector_view() {
        if (at_end_) at_end_();
    }

    HRESULT STDMETHODCALLTYPE GetAt(UINT32 index, T** item) override {
        *item = nullptr;
        if (index >= items_->size()) return E_BOUNDS;
        copy_items(*items_, index, 1, item);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        *size = static_cast<UINT32>(items_->size());
        return S_OK;
    }
    // The same object, not an equal one.
    HRESULT STDMETHODCALLTYPE IndexOf(T* item, UINT32* index, boolean* found) override {
        const auto at = std::find_if(items_->begin(), items_->end(),
                                     [&](const com_ptr<T>& candidate) { return candidate.get() == item; });
        *found = at != items_->end();
        *index = *found ? static_cast<UINT32>(at - items_->begin()) : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 start, UINT32 capacity, T** items, UINT32* actual) override {
        *actual = 0;
        if (start > items_->size()) return E_BOUNDS;
        *actual = copy_items(*items_, start, capacity, items);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE First(winabi::IIterator<T*>** first) override {
        *first = new (std::nothrow) vector_iterator<T>(items_);
        return *first ? S_OK : E_OUTOFMEMORY;
    }

private:
    const std::shared_ptr<const vector_items<T>> items_;
    const std::function<void()> at_end_;
};

} // namespace simstore
