// The asynchronous operation of a request: it completes on a worker thread
// after the scenario's delay, or has completed before the request returns.
#pragma once

#include "simulation.h"
#include "../abi/store_abi.h"

#include <functional>

namespace simstore {

// Makes a fresh result object for each GetResults that the scenario lets succeed.
template <class Result>
using result_maker = std::function<HRESULT(Result** result)>;

// Creates the operation and starts its worker thread, if its scenario needs one;
// called by the request on the requesting thread.
template <class Result>
HRESULT start_operation(const shared_simulation& simulation, result_maker<Result> make_result,
                        winabi::IAsyncOperation<Result>** operation);

} // namespace simstore
