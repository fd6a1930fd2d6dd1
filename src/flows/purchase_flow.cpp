#include "flows.h"

#include "../calls/store_calls.h"
#include "../waits/anchor_window.h"
#include "../waits/operation_wait.h"
#include "../waits/owner_window.h"

namespace {

std::string_view purchase_status_word(winabi::StorePurchaseStatus status) {
    switch (status) {
    case winabi::StorePurchaseStatus::Succeeded: return "purchased";
    case winabi::StorePurchaseStatus::AlreadyPurchased: return "alreadyPurchased";
    case winabi::StorePurchaseStatus::NotPurchased: return "cancelled";
    default: return "error";
    }
}

} // namespace

result_line run_purchase_flow(std::span<const wide_string> arguments) {
    const wide_string& store_id = arguments[0];
    com_ptr<winabi::IStoreContext> context = get_default_store_context();
    const HWND owner = resolve_owner_window(arguments.size() > 1 ? wide_view(arguments[1]) : wide_view());
    unique_window anchor = create_anchor_over(owner);
    bind_anchor(context.get(), anchor.get());
    com_ptr<winabi::IPurchaseOperation> operation = request_purchase(context.get(), store_id);
    if (!operation) return purchase_failure_line(WIDE("no operation"));

    const owner_watch watch(owner);
    auto [taken, end] = wait_for_operation(operation.get(), anchor.get(), watch, purchase_wait);
    if (end == wait_end::owner_closed)
        return leave_as_is(purchase_failure_line(WIDE("owner closed")), std::move(operation), std::move(context),
                           std::move(anchor));
    const std::string_view status = taken.result ? purchase_status_word(purchase_status(taken.result.get())) : "error";
    anchor.reset();

    if (taken.result) return purchase_status_line(status);
    // Exit code 0 promises a Store result; without one this is a failure, with
    // the platform's words when there were any.
    const wide_view text = taken.failure_text();
    return purchase_failure_line(text.empty() ? WIDE("no result") : text);
}
