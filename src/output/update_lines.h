// The lines of the app-update commands. Texts are escaped as RFC 8259 asks
// (json_writer.h).
#pragma once

#include "result_line.h"
#include "../platform/hstring.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct package_update_record {
    unique_hstring family_name; // "Contoso.Notes_8wekyb3d8bbwe"
    std::array<std::uint16_t, 4> version{}; // major, minor, build, revision
    bool mandatory = false;
};

// One package's state in an update, as the platform numbers it (StorePackageUpdateState).
struct package_state_record {
    unique_hstring family_name;
    std::int32_t state = 0;
};

// One progress report, copied from the platform's (whose string is borrowed).
struct progress_record {
    unique_hstring family_name;
    std::int32_t state = 0;
    double package_progress = 0;
    double total_progress = 0;
    std::uint64_t bytes_downloaded = 0;
    std::uint64_t download_size = 0;
};

// The word of a package update state: "completed", "errorLowBattery", ...;
// "error" for OtherError and for any value this program does not know.
std::string_view update_state_word(std::int32_t state);

// A fraction as a progress line writes it: clamped to [0, 1] (NaN and -0 as
// 0), rounded to six decimals as printf's "%.6f" rounds the double's exact
// value, without trailing zeros or a trailing point, never with an exponent.
std::string fraction_text(double fraction);

// {"progress":{...}} and a line break: one line of the stream before the result.
std::string progress_line(const progress_record& report);

// {"status":"completed","packages":[...],"error":null}, exit code 0: the
// result's overall state and each package's, sorted like the updates.
result_line update_result_line(std::int32_t overall_state, const std::vector<package_state_record>& packages);
// {"status":"noUpdates","packages":[],"error":null}, exit code 0: nothing to update.
result_line no_updates_line();

// {"status":"ok","updates":[...],"canSilentlyDownload":true,"error":null}, exit
// code 0, the updates sorted by the UTF-8 bytes of their family names;
// canSilentlyDownload is null when the Store could not say.
result_line updates_line(const std::vector<package_update_record>& updates, std::optional<bool> can_silently_download);
