// The items of a vector the Store hands out, in the vector's order.
#pragma once

#include "../abi/store_query_abi.h"
#include "../platform/platform_failure.h"

#include <vector>

// A null vector has no items; a null item is left out.
template <class T>
std::vector<com_ptr<T>> vector_values(winabi::IVectorView<T*>* vector) {
    std::vector<com_ptr<T>> values;
    if (!vector) return values;
    UINT32 size = 0;
    check_hresult(vector->get_Size(&size));
    values.reserve(size);
    for (UINT32 index = 0; index < size; ++index) {
        com_ptr<T> value;
        check_hresult(vector->GetAt(index, value.put()));
        if (value) values.push_back(std::move(value));
    }
    return values;
}
