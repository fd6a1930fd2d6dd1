// The Store's app-update calls: the check for updates, reading what it found,
// and the calls that download and install them.
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

UINT32 update_count(winabi::IPackageUpdates* updates);
// The check's own view, as the iterable the update calls take: the updates in the Store's order.
com_ptr<winabi::IIterable<winabi::IStorePackageUpdate*>> updates_as_iterable(winabi::IPackageUpdates* updates);

// Shows the Store's UI: the context must be bound to an owner window, on the thread that runs it.
com_ptr<winabi::IPackageUpdateOperation> request_update(winabi::IStoreContext* context,
                                                       winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                                                       bool download_only);
// Without UI, through IStoreContext3; a context without it raises E_NOINTERFACE.
com_ptr<winabi::IPackageUpdateOperation> request_silent_update(winabi::IStoreContext* context,
                                                              winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                                                              bool download_only);

// The update's line: its overall state and each package's; a null list of
// statuses is no packages.
result_line read_update_result(winabi::IStorePackageUpdateResult* result);
