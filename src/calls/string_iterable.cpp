#include "string_iterable.h"

#include "../waits/agile_object.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

using words_type = std::shared_ptr<const std::vector<wide_string>>;

// Each string handed out is a new one, which the receiver frees.
HRESULT duplicate(const wide_string& word, HSTRING* string) {
    return WindowsCreateString(word.data(), static_cast<UINT32>(word.size()), string);
}

// Creation fails only for want of memory or of the marshaler: a code, never an exception.
template <class Object, class Interface>
HRESULT create(const words_type& words, Interface** created) noexcept {
    *created = nullptr;
    try {
        *created = new Object(words);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const platform_failure& failure) {
        return failure.code();
    }
}

// Read by one caller at a time, as every iterator is.
class string_iterator final : public agile_object<string_iterator, winabi::IIterator<HSTRING>> {
public:
    explicit string_iterator(words_type words) : words_(std::move(words)) {}

    HRESULT STDMETHODCALLTYPE get_Current(HSTRING* current) override {
        if (!current) return E_POINTER;
        *current = nullptr;
        if (next_ >= words_->size()) return E_BOUNDS;
        return duplicate((*words_)[next_], current);
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has_current) override {
        if (!has_current) return E_POINTER;
        *has_current = next_ < words_->size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* has_current) override {
        if (!has_current) return E_POINTER;
        if (next_ < words_->size()) ++next_;
        *has_current = next_ < words_->size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, HSTRING* items, UINT32* actual) override {
        if (!actual || (capacity && !items)) return E_POINTER;
        *actual = 0;
        const std::size_t count = std::min<std::size_t>(capacity, words_->size() - next_);
        for (UINT32 i = 0; i < count; ++i) {
            if (const HRESULT hr = duplicate((*words_)[next_ + i], &items[i]); hr < 0) {
                // All or nothing: what was handed out so far is taken back.
                while (i > 0) WindowsDeleteString(std::exchange(items[--i], nullptr));
                return hr;
            }
        }
        next_ += count;
        *actual = static_cast<UINT32>(count);
        return S_OK;
    }

private:
    const words_type words_;
    std::size_t next_ = 0;
};

class string_iterable final : public agile_object<string_iterable, winabi::IIterable<HSTRING>> {
public:
    explicit string_iterable(words_type words) : words_(std::move(words)) {}

    HRESULT STDMETHODCALLTYPE First(winabi::IIterator<HSTRING>** first) override {
        if (!first) return E_POINTER;
        return create<string_iterator>(words_, first);
    }

private:
    const words_type words_;
};

} // namespace

com_ptr<winabi::IIterable<HSTRING>> make_string_iterable(std::vector<wide_string> words) {
    return com_ptr<winabi::IIterable<HSTRING>>::attach(
        new string_iterable(std::make_shared<const std::vector<wide_string>>(std::move(words))));
}
