#include "window_fields.h"
#include "../output/error_text.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace simstore {
namespace {

std::uint64_t handle_number(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

std::string json_array(const RECT& rect) {
    std::string text = "[";
    for (const LONG side : {rect.left, rect.top, rect.right, rect.bottom}) {
        if (text.size() > 1) text += ',';
        text += std::to_string(side);
    }
    text += ']';
    return text;
}

} // namespace

void add_window_fields(trace_line& line, HWND window) {
    line.number("window", handle_number(window));

    // The longest class name Windows allows is 256 characters.
    WCHAR class_name[257] = {};
    const int length = GetClassNameW(window, class_name, 257);
    line.text("class", to_utf8(wide_view(class_name, static_cast<std::size_t>(length > 0 ? length : 0))));

    line.number("style", static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE)));
    line.number("exStyle", static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_EXSTYLE)));

    RECT rect{};
    line.json("rect", GetWindowRect(window, &rect) ? json_array(rect) : "null");

    line.boolean("visible", IsWindowVisible(window) != FALSE);
    line.number("owner", handle_number(GetWindow(window, GW_OWNER)));
}

} // namespace simstore
