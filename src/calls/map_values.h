// The values of a map the Store hands out, in the map's order, through the
// map's IIterable of key-value pairs. The keys are not used.
#pragma once

#include "../abi/store_query_abi.h"
#include "../platform/platform_failure.h"

#include <vector>

// A null map has no values; a null value is left out.
template <class V>
std::vector<com_ptr<V>> map_values(winabi::IMapView<V>* map) {
    using pair = winabi::IKeyValuePair<V>;
    std::vector<com_ptr<V>> values;
    if (!map) return values;
    com_ptr<winabi::IIterable<pair*>> pairs;
    check_hresult(query(map, winabi::IIterable<pair*>::iid, pairs));
    com_ptr<winabi::IIterator<pair*>> at;
    check_hresult(pairs->First(at.put()));
    boolean has_current = 0;
    check_hresult(at->get_HasCurrent(&has_current));
    while (has_current) {
        com_ptr<pair> current;
        check_hresult(at->get_Current(current.put()));
        com_ptr<V> value;
        if (current) check_hresult(current->get_Value(value.put()));
        if (value) values.push_back(std::move(value));
        check_hresult(at->MoveNext(&has_current));
    }
    return values;
}
