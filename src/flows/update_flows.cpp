#include "flows.h"

#include "store_query.h"
#include "update_arguments.h"
#include "../calls/update_calls.h"
#include "../waits/anchor_window.h"
#include "../waits/owner_window.h"
#include "../waits/progress_handler.h"

#include <memory>
#include <optional>

namespace {

// The second call of "update", with every update the check found, in the
// Store's order. The calls with UI run here on the main thread, the context
// bound to an anchor over the host's window; a silent one gets the unowned
// anchor and ignores the handle.
result_line install_updates(com_ptr<winabi::IStoreContext> context, winabi::IPackageUpdates* updates,
                            const update_arguments& arguments) {
    if (update_count(updates) == 0) return no_updates_line();
    const auto iterable = updates_as_iterable(updates);
    const HWND owner = arguments.silent ? nullptr : resolve_owner_window(arguments.window);
    unique_window anchor = create_anchor_over(owner);
    bind_anchor(context.get(), anchor.get());
    com_ptr<winabi::IPackageUpdateOperation> operation =
        arguments.silent ? request_silent_update(context.get(), iterable.get(), arguments.download_only)
                         : request_update(context.get(), iterable.get(), arguments.download_only);
    if (!operation) return query_failure_line(WIDE("no operation"));

    std::shared_ptr<progress_feed> progress;
    if (arguments.progress) {
        progress = std::make_shared<progress_feed>();
        report_progress_into(operation.get(), progress);
    }
    const owner_watch watch(owner);
    auto [taken, end] = wait_for_operation(operation.get(), anchor.get(), watch, purchase_wait, {}, progress.get());
    if (end == wait_end::owner_closed)
        return leave_as_is(query_failure_line(WIDE("owner closed")), std::move(operation), std::move(context),
                           std::move(anchor));
    anchor.reset();
    if (taken.result) return read_update_result(taken.result.get());
    return no_result_line(taken);
}

} // namespace

result_line run_updates_flow(std::span<const wide_string>) {
    std::optional<bool> can_silently;
    return run_store_query(
        [&](winabi::IStoreContext* context) {
            can_silently = can_silently_download(context);
            return request_app_updates(context);
        },
        [&](winabi::IPackageUpdates* updates) { return updates_line(read_app_updates(updates), can_silently); });
}

result_line run_update_flow(std::span<const wide_string> arguments) {
    const std::optional<update_arguments> parsed = parse_update_arguments(arguments);
    if (!parsed) return usage_line();
    com_ptr<winabi::IStoreContext> context;
    return run_store_query(
        [&](winabi::IStoreContext* checked) {
            context = com_ptr<winabi::IStoreContext>::copy_from(checked);
            return request_app_updates(checked);
        },
        [&](winabi::IPackageUpdates* updates) { return install_updates(std::move(context), updates, *parsed); });
}
