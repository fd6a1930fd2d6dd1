#include "update_lines.h"

#include "json_writer.h"
#include "sorted_entries.h"

#include <charconv>
#include <string>

namespace {

// Major.Minor.Build.Revision, as the platform writes a package version.
std::string version_text(const std::array<std::uint16_t, 4>& version) {
    std::string text;
    for (const std::uint16_t part : version) {
        if (!text.empty()) text += '.';
        char digits[8];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, part).ptr);
    }
    return text;
}

// A family name's units at the most six bytes each (\u00XX), beside the rest.
constexpr std::size_t entry_frame_bytes = 96;

} // namespace

result_line updates_line(const std::vector<package_update_record>& updates, std::optional<bool> can_silently_download) {
    json_writer line(escape_rule::rfc8259);
    line.open_object().member("status").string("ok").member("updates");
    std::vector<wide_view> names;
    names.reserve(updates.size());
    for (const package_update_record& update : updates) names.push_back(view_of(update.family_name));
    sorted_entries entries(line, updates.size());
    for (const std::size_t index : store_id_order(names)) {
        const package_update_record& update = updates[index];
        entries.add(unique_hstring(), names[index], entry_frame_bytes + 6 * names[index].size(),
                    [&](json_writer& out) {
                        out.open_object()
                            .member("packageFamilyName").string(names[index])
                            .member("version").string(version_text(update.version))
                            .member("mandatory").boolean(update.mandatory)
                            .close_object();
                    });
    }
    entries.close();
    line.member("canSilentlyDownload");
    if (can_silently_download) line.boolean(*can_silently_download);
    else line.null();
    return {line.member("error").null().close_object().take(), 0};
}
