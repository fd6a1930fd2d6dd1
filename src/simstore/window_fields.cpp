#include "window_fields.h"

#include <cstdint>
#include <initializer_list>

namespace simstore {
namespace {

std::uint64_t handle_number(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

} // namespace

void add_window_fields(json_writer& line, HWND window) {
    line.member("window").integer(handle_number(window));

    // The longest class name Windows allows is 256 characters.
    WCHAR class_name[257] = {};
    const int length = GetClassNameW(window, class_name, 257);
    line.member("class").string(wide_view(class_name, static_cast<std::size_t>(length > 0 ? length : 0)));

    line.member("style").integer(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE)));
    line.member("exStyle").integer(static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_EXSTYLE)));

    RECT rect{};
    line.member("rect");
    if (GetWindowRect(window, &rect)) {
        line.open_array();
        for (const LONG side : {rect.left, rect.top, rect.right, rect.bottom}) line.integer(side);
        line.close_array();
    } else {
        line.null();
    }

    line.member("visible").boolean(IsWindowVisible(window) != FALSE);
    line.member("owner").integer(handle_number(GetWindow(window, GW_OWNER)));
}

} // namespace simstore
