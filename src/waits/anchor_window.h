// The tiny window of the bridge's own that the Store's dialogs take as owner.
#pragma once

#include "../abi/store_abi.h"
#include "../platform/unique_any.h"

// No owner, at the screen origin, created hidden, then shown and brought to the foreground.
unique_window create_purchase_anchor();

// Owned by the host's window (or by none), at the given point, visible from creation.
unique_window create_review_anchor(HWND owner, POINT position);

// The anchor of a dialog that the host's window may own: over that window when
// the argument names a live one, else the purchase anchor.
unique_window create_anchor_over(HWND owner);

// Hands the anchor to the Store as the owner of its dialog. Only a context that
// cannot take a window raises; what Initialize answers changes nothing.
void bind_anchor(winabi::IStoreContext* context, HWND anchor);
