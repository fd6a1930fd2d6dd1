#include "anchor_window.h"

#include "owner_window.h"
#include "../platform/platform_failure.h"

namespace {

HWND create_anchor(DWORD style, HWND owner, POINT position) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, WIDE("STATIC"), WIDE(""), style, position.x, position.y, 1, 1, owner,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

} // namespace

unique_window create_purchase_anchor() {
    unique_window anchor(create_anchor(WS_POPUP, nullptr, POINT{0, 0}));
    ShowWindow(anchor.get(), SW_SHOW);
    SetForegroundWindow(anchor.get());
    return anchor;
}

unique_window create_review_anchor(HWND owner, POINT position) {
    unique_window anchor(create_anchor(WS_POPUP | WS_VISIBLE, owner, position));
    SetForegroundWindow(anchor.get());
    return anchor;
}

unique_window create_anchor_over(HWND owner) {
    return owner ? create_review_anchor(owner, anchor_position(owner)) : create_purchase_anchor();
}

void bind_anchor(winabi::IStoreContext* context, HWND anchor) {
    com_ptr<winabi::IInitializeWithWindow> binding;
    check_hresult(query(context, winabi::IInitializeWithWindow::iid, binding));
    binding->Initialize(anchor);
}

