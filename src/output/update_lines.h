// The lines of the app-update commands. Texts are escaped as RFC 8259 asks
// (json_writer.h).
#pragma once

#include "result_line.h"
#include "../platform/hstring.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct package_update_record {
    unique_hstring family_name; // "Contoso.Notes_8wekyb3d8bbwe"
    std::array<std::uint16_t, 4> version{}; // major, minor, build, revision
    bool mandatory = false;
};

// {"status":"ok","updates":[...],"canSilentlyDownload":true,"error":null}, exit
// code 0, the updates sorted by the UTF-8 bytes of their family names;
// canSilentlyDownload is null when the Store could not say.
result_line updates_line(const std::vector<package_update_record>& updates, std::optional<bool> can_silently_download);
