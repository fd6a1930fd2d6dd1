// How every simulated field of a query result is read: traced with the
// interface it came through, failing when the scenario's "fail" names it.
#pragma once

#include "error_information.h"
#include "simulation.h"
#include "store_fields.h"

#include <type_traits>

namespace simstore {

// Clears the out-parameter, then fails as the scenario says or lets `fill` answer.
template <class T, class Fill>
HRESULT read_field(simulation& simulation, store_field field, T* value, Fill fill) {
    const field_names& names = names_of(field);
    simulation.log.record(names.getter, names.traced_as,
                          [&](json_writer& line) { line.member("via").string(names.via); });
    if (!value) return E_POINTER;
    *value = T{};
    const HRESULT failure = simulation.settings.field_failures[static_cast<std::size_t>(field)];
    if (failure < 0) return injected_failure(failure, simulation.settings.error);
    return fill();
}

// A field that holds a plain value: read as above, answering `answer`.
template <class T>
HRESULT read_value(simulation& simulation, store_field field, T* value, const std::type_identity_t<T>& answer) {
    return read_field(simulation, field, value, [&] {
        *value = answer;
        return S_OK;
    });
}

// A member of the Store's objects that no scenario describes: nothing, and E_NOTIMPL.
template <class T>
HRESULT not_simulated(T* value) {
    *value = T{};
    return E_NOTIMPL;
}

// A new string for the caller, who frees it.
inline HRESULT copy_string(wide_view text, HSTRING* string) {
    return WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), string);
}

} // namespace simstore
