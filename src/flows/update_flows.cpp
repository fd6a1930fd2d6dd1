#include "flows.h"

#include "store_query.h"
#include "../calls/update_calls.h"

#include <optional>

result_line run_updates_flow(std::span<const wide_string>) {
    std::optional<bool> can_silently;
    return run_store_query(
        [&](winabi::IStoreContext* context) {
            can_silently = can_silently_download(context);
            return request_app_updates(context);
        },
        [&](winabi::IPackageUpdates* updates) { return updates_line(read_app_updates(updates), can_silently); });
}
