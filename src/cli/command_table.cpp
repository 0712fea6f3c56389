#include <string>
#include <vector>

#include "arvex/config.h"
#include "cli/commands.h"

namespace cli {

std::span<const Command> commandTable() {
    static const std::vector<Command> table = [] {
        std::vector<Command> all;
        for (auto group : {boxCommands, programmingCommands, serverCommands, updateCommands})
            for (const Command& command : group()) all.push_back(command);
        return all;
    }();
    return table;
}

const Command* findCommand(std::string_view name) {
    for (const Command& command : commandTable())
        if (name == command.name) return &command;
    return nullptr;
}

// help2man reads this: a "Usage:" line, a description, "  -x, --long  text" option lines.
void printProgramHelp(std::FILE* out) {
    std::fputs(
        "Usage: arvex-cli [OPTION]... COMMAND [ARGUMENT]...\n"
        "Update the firmware of an Arvex box and talk to the Arvex support server.\n"
        "\n"
        "Options:\n"
        "  -h, --help               show this help and exit (COMMAND --help: that command's help)\n"
        "      --version            show the version and whether the build carries example keys\n"
        "  -q, --quiet              print only errors and the result\n"
        "  -v, --verbose            also print debug lines and the causes of failures\n"
        "      --json               one JSON object per line on stdout; human text goes to stderr\n"
        "      --device PATH|SERIAL work with this box (a device path, or a serial number)\n"
        "      --wait SECONDS       how long to wait for a box (default 5; 0 waits for ever)\n"
        "      --server HOST:PORT   the support server (default: the configured one)\n"
        "      --no-crypt           send and read plain documents\n"
        "      --simulate[=PRESET,...]  use the simulated box instead of a real one (a list: several boxes)\n"
        "      --sim-paced          the simulated link at the real USB pace\n"
        "      --sim-state FILE     keep the simulated box's memory in FILE between runs\n"
        "      --trace FILE         append every report to and from the box to FILE\n"
        "\n"
        "Commands:\n",
        out);
    for (const Command& command : commandTable())
        std::fprintf(out, "  %-16s %s\n", command.name, command.summary);
    std::fputs(
        "  help COMMAND     show the help of COMMAND\n"
        "\n"
        "Exit status:\n"
        "  0    done\n"
        "  1    the operation failed (box, server or data)\n"
        "  2    usage error\n"
        "  3    box not registered\n"
        "  4    box blocked\n"
        "  5    no box found within the wait\n"
        "  130  interrupted\n",
        out);
}

void printCommandHelp(const Command& command, std::FILE* out) {
    std::fprintf(out, "Usage: arvex-cli [OPTION]... %s\n%s.\n", command.synopsis, command.summary);
    if (command.details != nullptr && command.details[0] != '\0')
        std::fprintf(out, "\nOptions:\n%s", command.details);
    std::fputs("\nThe program's options (arvex-cli --help) may stand before the command.\n", out);
}

void printVersion(const char* program, std::FILE* out) {
    std::fprintf(out, "%s %s\n", program, arvex::config::kProgramVersion);
    std::fprintf(out, "Keys: %s\n",
                 arvex::config::kExampleKeys
                     ? "example keys (cannot read a real box or talk to the support server)"
                     : "production keys");
}

ExitCode usageError(std::string_view commandName, const std::string& problem) {
    std::fprintf(stderr, "arvex-cli %.*s: %s\n", static_cast<int>(commandName.size()), commandName.data(),
                 problem.c_str());
    if (const Command* command = findCommand(commandName))
        std::fprintf(stderr, "usage: arvex-cli %s (see arvex-cli %s --help)\n", command->synopsis,
                     command->name);
    return ExitCode::usage;
}

ExitCode usageError(const Command& command, const std::string& problem) {
    return usageError(command.name, problem);
}

}  // namespace cli
