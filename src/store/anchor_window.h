// The tiny window of the bridge's own that the Store's dialogs take as owner.
// A plain handle: only the destroy calls below remove it; every other way out
// leaves it to the end of the process.
#pragma once

#include "store_abi.h"

// No owner, at the screen origin, created hidden, then shown and brought to the foreground.
HWND create_purchase_anchor();

// Owned by the host's window (or by none), at the given point, visible from creation.
HWND create_review_anchor(HWND owner, POINT position);

// Hands the anchor to the Store as the owner of its dialog. Only a context that
// cannot take a window raises; what Initialize answers changes nothing.
void bind_anchor(winabi::IStoreContext* context, HWND anchor);

void destroy_purchase_anchor(HWND anchor);

// The review anchor may already be gone (or was never created): ask first.
void destroy_review_anchor(HWND anchor);
