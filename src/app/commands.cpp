#include "commands.h"

#include "../store/purchase_flow.h"
#include "../store/review_flow.h"

namespace {

constexpr command commands[] = {
    {WIDE("buy"), 1, run_purchase_flow},
    {WIDE("review"), 0, run_review_flow},
};

} // namespace

std::span<const command> command_table() { return commands; }
