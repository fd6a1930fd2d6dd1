#include "commands.h"

std::span<const command> command_table() { return {}; }
