#include "cli/commands.h"

namespace cli {

std::span<const Command> updateCommands() {
    return {};
}

}  // namespace cli
