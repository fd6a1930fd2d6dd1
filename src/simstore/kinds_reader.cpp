#include "kinds_reader.h"
#include "../platform/com_object.h"
#include "../platform/com_ptr.h"
#include "../platform/hstring.h"

namespace simstore {

HRESULT read_kinds(winabi::IIterable<HSTRING>* kinds, received_kinds& received) {
    if (!kinds) return E_INVALIDARG;
    com_ptr<winabi::IIterable<HSTRING>> iterable;
    if (query(kinds, winabi::IIterable<HSTRING>::iid, iterable) < 0 || iterable.get() != kinds) return E_INVALIDARG;
    com_ptr<IAgileObject> agile;
    received.agile = query(kinds, iid_of<IAgileObject>, agile) >= 0;

    com_ptr<winabi::IIterator<HSTRING>> at;
    if (const HRESULT hr = kinds->First(at.put()); hr < 0) return hr;
    if (!at) return E_POINTER;
    boolean has_current = 0;
    if (const HRESULT hr = at->get_HasCurrent(&has_current); hr < 0) return hr;
    while (has_current) {
        unique_hstring word;
        if (const HRESULT hr = at->get_Current(word.put()); hr < 0) return hr;
        received.words.emplace_back(view_of(word));
        if (const HRESULT hr = at->MoveNext(&has_current); hr < 0) return hr;
    }
    return S_OK;
}

} // namespace simstore
