// The maps the simulated Store hands out: IMapView<HSTRING, V> that also offers
// its IIterable of key-value pairs, as the platform's maps do. Entries keep
// their declared order; each iterator and pair is a fresh object.
#pragma once

#include "../platform/hstring.h"

#include "field_reads.h"
#include "../abi/store_query_abi.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace simstore {

template <class V>
using map_entries = std::vector<std::pair<wide_string, com_ptr<V>>>;

template <class V>
class key_value_pair final : public com_object<key_value_pair<V>, winabi::IKeyValuePair<V>, IAgileObject> {
public:
    key_value_pair(wide_string key, com_ptr<V> value) : key_(std::move(key)), value_(std::move(value)) {}

    HRESULT STDMETHODCALLTYPE get_Key(HSTRING* key) override { return copy_string(key_, key); }
    HRESULT STDMETHODCALLTYPE get_Value(V** value) override {
        *value = value_.get();
        if (*value) (*value)->AddRef();
        return S_OK;
    }

private:
    const wide_string key_;
    const com_ptr<V> value_;
};

template <class V>
class map_iterator final
    : public com_object<map_iterator<V>, winabi::IIterator<winabi::IKeyValuePair<V>*>, IAgileObject> {
public:
    explicit map_iterator(std::shared_ptr<const map_entries<V>> entries) : entries_(std::move(entries)) {}

    HRESULT STDMETHODCALLTYPE get_Current(winabi::IKeyValuePair<V>** current) override {
        *current = nullptr;
        if (next_ >= entries_->size()) return E_BOUNDS;
        const auto& [key, value] = (*entries_)[next_];
        *current = new (std::nothrow) key_value_pair<V>(key, value);
        return *current ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has_current) override {
        *has_current = next_ < entries_->size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* has_current) override {
        if (next_ < entries_->size()) ++next_;
        return get_HasCurrent(has_current);
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32, winabi::IKeyValuePair<V>**, UINT32* actual) override {
        *actual = 0;
        return E_NOTIMPL;
    }

private:
    const std::shared_ptr<const map_entries<V>> entries_;
    std::size_t next_ = 0;
};

template <class V>
class map_view final : public com_object<map_view<V>, winabi::IMapView<V>,
                                         winabi::IIterable<winabi::IKeyValuePair<V>*>, IAgileObject> {
public:
    explicit map_view(map_entries<V> entries)
        : entries_(std::make_shared<const map_entries<V>>(std::move(entries))) {}

    HRESULT STDMETHODCALLTYPE Lookup(HSTRING key, V** value) override {
        *value = nullptr;
        for (const auto& [entry_key, entry_value] : *entries_) {
            if (entry_key != view_of(key)) continue;
            *value = entry_value.get();
            if (*value) (*value)->AddRef();
            return S_OK;
        }
        return E_BOUNDS;
    }
    HRESULT STDMETHODCALLTYPE get_Size(UINT32* size) override {
        *size = static_cast<UINT32>(entries_->size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HasKey(HSTRING key, boolean* found) override {
        *found = false;
        for (const auto& entry : *entries_) *found |= entry.first == view_of(key);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Split(winabi::IMapView<V>** first, winabi::IMapView<V>** second) override {
        *first = *second = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE First(winabi::IIterator<winabi::IKeyValuePair<V>*>** first) override {
        *first = new (std::nothrow) map_iterator<V>(entries_);
        return *first ? S_OK : E_OUTOFMEMORY;
    }

private:
    const std::shared_ptr<const map_entries<V>> entries_;
};

} // namespace simstore
