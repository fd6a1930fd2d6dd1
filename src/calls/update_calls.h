// The Store's app-update calls: the check for updates and reading what it found.
// Every failing call raises its platform failure at once.
#pragma once

#include "../abi/update_abi.h"
#include "../output/update_lines.h"
#include "../platform/com_ptr.h"

#include <optional>
#include <vector>

// Null when the Store accepts the request but hands back no operation.
com_ptr<winabi::IPackageUpdatesOperation> request_app_updates(winabi::IStoreContext* context);

// The updates in the Store's order; a null entry is left out.
std::vector<package_update_record> read_app_updates(winabi::IPackageUpdates* updates);

// Whether the Store may download updates without asking; none when the
// context does not answer IStoreContext3 (a system before that interface).
std::optional<bool> can_silently_download(winabi::IStoreContext* context);
