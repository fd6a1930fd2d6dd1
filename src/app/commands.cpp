#include "commands.h"

#include "../store/purchase_flow.h"
#include "../store/review_flow.h"
#include "version_flow.h"

namespace {

constexpr command commands[] = {
    {WIDE("buy"), 1, run_purchase_flow},
    {WIDE("review"), 0, run_review_flow},
    {WIDE("version"), 0, run_version_flow},
};

} // namespace

std::span<const command> command_table() { return commands; }
