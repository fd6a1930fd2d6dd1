// The one shape of every Store query: no window and no owner; the query is
// started, waited for like any operation, and its result read into the line.
// Every platform failure from getting the context on, the wait's included,
// becomes the query failure line with its code; a shortage of memory stays the
// general failure, for the caller.
#pragma once

#include "../calls/store_calls.h"
#include "../output/error_text.h"
#include "../output/query_lines.h"
#include "../waits/operation_wait.h"

#include <new>
#include <optional>

// The failure line of a platform failure: its code and its words.
inline result_line query_failure_line(const platform_failure& failure, const std::optional<GUID>& tracking_id = {}) {
    return query_failure_line(failure.code(), platform_failure_message(failure), tracking_id);
}

// The failure line of an operation that ended without a result: its code and
// words, or "no result"; a shortage of memory is raised as the general failure.
template <class Taken>
result_line no_result_line(const Taken& taken, const std::optional<GUID>& tracking_id = {}) {
    if (taken.code == E_OUTOFMEMORY) throw std::bad_alloc();
    if (taken.code < 0) return query_failure_line(taken.code, taken.failure_text(), tracking_id);
    const wide_view text = taken.failure_text();
    return query_failure_line(text.empty() ? WIDE("no result") : text, tracking_id);
}

// `start(context)` starts the query and gives its operation (null: none);
// `read(result)` reads the Store's result into the line. Every failure line
// carries the tracking ID, when there is one.
template <class Start, class Read>
result_line run_store_query(Start start, Read read, const std::optional<GUID>& tracking_id = {}) {
    try {
        const com_ptr<winabi::IStoreContext> context = get_default_store_context();
        const auto operation = start(context.get());
        if (!operation) return query_failure_line(WIDE("no operation"), tracking_id);
        const auto taken = wait_for_operation(operation.get(), nullptr, owner_watch(), purchase_wait).outcome;
        if (taken.result) return read(taken.result.get());
        return no_result_line(taken, tracking_id);
    } catch (const platform_failure& failure) {
        return query_failure_line(failure, tracking_id);
    }
}
