// The entries of a list in a line, in the byte order of their Store IDs' UTF-8
// and equal IDs in the byte order of the whole entry, so that one Store state
// always gives one line. The Store's entries are read in the order of their
// Store IDs (store_id_order), and each goes into the line as soon as it is
// read, so that the line is the only copy of its texts and is never rearranged:
// only a run of entries with equal IDs is put in order once it is complete.
#pragma once

#include "json_writer.h"
#include "../platform/hstring.h"

#include <cstddef>
#include <vector>

// The positions of the Store IDs, in the order their entries take in a line.
std::vector<std::size_t> store_id_order(const std::vector<wide_view>& store_ids);

class sorted_entries {
public:
    // Opens the list in the line; `count` entries are to come.
    sorted_entries(json_writer& line, std::size_t count);
    sorted_entries(const sorted_entries&) = delete;
    sorted_entries& operator=(const sorted_entries&) = delete;

    // Writes the next entry, in store_id_order, with write(line); its longest
    // form is `longest` bytes. The Store ID is a view into `owner`, which the
    // list keeps while entries with the same ID may follow.
    template <class Write>
    void add(unique_hstring&& owner, wide_view store_id, std::size_t longest, Write write) {
        make_room(longest);
        if (!run_.empty() && !same_id(store_id)) order_run();
        const std::size_t before = line_.text().size();
        write(line_);
        // The comma before the entry belongs to its place, not to the entry.
        const std::size_t start = before + (line_.text()[before] == ',');
        run_.push_back({start, line_.text().size() - start});
        run_owner_ = std::move(owner);
        run_id_ = store_id;
        ++added_;
    }

    // Puts the last run in order, then closes the list.
    void close();

private:
    struct entry {
        std::size_t start, size;
    };

    void make_room(std::size_t longest);
    bool same_id(wide_view store_id) const;
    void order_run();

    json_writer& line_;
    std::size_t count_;
    std::size_t added_ = 0;
    // The entries written since the Store ID last changed, and that ID.
    std::vector<entry> run_;
    unique_hstring run_owner_;
    wide_view run_id_;
};
