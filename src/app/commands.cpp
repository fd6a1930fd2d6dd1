#include "commands.h"

#include "version_flow.h"
#include "../flows/flows.h"

namespace {

constexpr command commands[] = {
    {WIDE("buy"), 1, run_purchase_flow},
    {WIDE("review"), 0, run_review_flow},
    {WIDE("version"), 0, run_version_flow},
    {WIDE("license"), 0, run_license_flow},
    {WIDE("products"), 0, run_products_flow},
    {WIDE("collection"), 0, run_collection_flow},
    {WIDE("consume"), 2, run_consume_flow},
    {WIDE("balance"), 1, run_balance_flow},
    {WIDE("updates"), 0, run_updates_flow},
    {WIDE("update"), 0, run_update_flow},
    {WIDE("app"), 0, run_app_flow},
    {WIDE("purchase-id"), 0, nullptr, run_purchase_id_flow},
    {WIDE("collections-id"), 0, nullptr, run_collections_id_flow},
};

} // namespace

std::span<const command> command_table() { return commands; }
