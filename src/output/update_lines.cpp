#include "update_lines.h"

#include "json_writer.h"
#include "sorted_entries.h"

#include <charconv>
#include <cstdio>
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

json_writer open_line(std::string_view status) {
    json_writer line(escape_rule::rfc8259);
    line.open_object().member("status").string(status);
    return line;
}

// The entries of a list in the order of their family names, written by `write`.
template <class Record, class Write>
void write_sorted(json_writer& line, const std::vector<Record>& records, Write write) {
    std::vector<wide_view> names;
    names.reserve(records.size());
    for (const Record& record : records) names.push_back(view_of(record.family_name));
    sorted_entries entries(line, records.size());
    for (const std::size_t index : store_id_order(names))
        entries.add(unique_hstring(), names[index], entry_frame_bytes + 6 * names[index].size(),
                    [&](json_writer& out) { write(out, records[index]); });
    entries.close();
}

} // namespace

std::string_view update_state_word(std::int32_t state) {
    switch (state) {
    case 0: return "pending";
    case 1: return "downloading";
    case 2: return "deploying";
    case 3: return "completed";
    case 4: return "cancelled";
    case 6: return "errorLowBattery";
    case 7: return "errorWiFiRecommended";
    case 8: return "errorWiFiRequired";
    default: return "error";
    }
}

std::string fraction_text(double fraction) {
    if (!(fraction > 0)) fraction = 0;
    if (fraction > 1) fraction = 1;
    // printf itself: every C runtime this builds with rounds the exact value, and
    // the program never leaves the "C" locale. The floating to_chars would do as
    // well, but its tables would double the size of the executable.
    char digits[16]; // "0.xxxxxx" or "1.000000"
    std::snprintf(digits, sizeof digits, "%.6f", fraction);
    std::string text(digits);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string progress_line(const progress_record& report) {
    json_writer line(escape_rule::rfc8259);
    line.open_object().member("progress").open_object()
        .member("packageFamilyName").string(view_of(report.family_name))
        .member("state").string(update_state_word(report.state))
        .member("packageProgress").number(fraction_text(report.package_progress))
        .member("totalProgress").number(fraction_text(report.total_progress))
        .member("bytesDownloaded").integer(report.bytes_downloaded)
        .member("downloadSize").integer(report.download_size)
        .close_object().close_object();
    return line.take() + '\n';
}

result_line update_result_line(std::int32_t overall_state, const std::vector<package_state_record>& packages) {
    json_writer line = open_line(update_state_word(overall_state));
    line.member("packages");
    write_sorted(line, packages, [](json_writer& out, const package_state_record& package) {
        out.open_object()
            .member("packageFamilyName").string(view_of(package.family_name))
            .member("state").string(update_state_word(package.state))
            .close_object();
    });
    return {line.member("error").null().close_object().take(), 0};
}

result_line no_updates_line() {
    json_writer line = open_line("noUpdates");
    return {line.member("packages").open_array().close_array().member("error").null().close_object().take(), 0};
}

result_line updates_line(const std::vector<package_update_record>& updates, std::optional<bool> can_silently_download) {
    json_writer line = open_line("ok");
    line.member("updates");
    write_sorted(line, updates, [](json_writer& out, const package_update_record& update) {
        out.open_object()
            .member("packageFamilyName").string(view_of(update.family_name))
            .member("version").string(version_text(update.version))
            .member("mandatory").boolean(update.mandatory)
            .close_object();
    });
    line.member("canSilentlyDownload");
    if (can_silently_download) line.boolean(*can_silently_download);
    else line.null();
    return {line.member("error").null().close_object().take(), 0};
}
