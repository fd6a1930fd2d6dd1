// The asynchronous operation of a request: it completes on a worker thread
// after the scenario's delay, or has completed before the request returns.
// The update call's operation also reports progress on that thread.
#pragma once

#include "simulation.h"
#include "../abi/store_abi.h"

#include <functional>
#include <optional>
#include <vector>

namespace simstore {

// Makes a fresh result (an object, or a string) for each GetResults that the scenario lets succeed.
template <class Result>
using result_maker = std::function<HRESULT(Result** result)>;

// What the scenario says of one operation: when it ends, what it says while
// pending, what GetResults gives, and what its worker does on the way.
struct operation_plan {
    completion completes;
    milliseconds after;
    INT32 async_status;
    HRESULT results;
    bool results_null;
    crash_kind crash;                             // worker or twice: the worker faults instead of completing
    std::optional<milliseconds> fault_at;         // one more fault on the worker, then
    std::vector<progress_report> progress;        // each at its time, in this order when two share one
    std::optional<progress_report> late_progress; // after the end, even at the same moment
};

// The plan of every request but the update call: the usual keys.
operation_plan request_plan(const scenario& settings);

// Creates the operation and starts its worker thread, if its plan needs one;
// called by the request on the requesting thread.
template <class Operation>
HRESULT start_operation(const shared_simulation& simulation, operation_plan plan,
                        result_maker<typename Operation::result_type> make_result, Operation** operation);

} // namespace simstore
