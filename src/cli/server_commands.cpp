#include "cli/commands.h"

namespace cli {

std::span<const Command> serverCommands() {
    return {};
}

}  // namespace cli
