#include "anchor_window.h"

#include "../output/error_text.h"

namespace {

HWND create_anchor(DWORD style, HWND owner, POINT position) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, WIDE("STATIC"), WIDE(""), style, position.x, position.y, 1, 1, owner,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

} // namespace

HWND create_purchase_anchor() {
    const HWND anchor = create_anchor(WS_POPUP, nullptr, POINT{0, 0});
    ShowWindow(anchor, SW_SHOW);
    SetForegroundWindow(anchor);
    return anchor;
}

HWND create_review_anchor(HWND owner, POINT position) {
    const HWND anchor = create_anchor(WS_POPUP | WS_VISIBLE, owner, position);
    SetForegroundWindow(anchor);
    return anchor;
}

void bind_anchor(winabi::IStoreContext* context, HWND anchor) {
    com_ptr<winabi::IInitializeWithWindow> binding;
    check_hresult(query(context, winabi::IInitializeWithWindow::iid, binding));
    binding->Initialize(anchor);
}

void destroy_purchase_anchor(HWND anchor) { DestroyWindow(anchor); }

void destroy_review_anchor(HWND anchor) {
    if (IsWindow(anchor)) DestroyWindow(anchor);
}
