#include "cli/commands.h"

namespace cli {

std::span<const Command> programmingCommands() {
    return {};
}

}  // namespace cli
