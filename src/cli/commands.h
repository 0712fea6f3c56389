// arvex-cli: options shared by every command, and the command table that main() dispatches to.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/events.h"
#include "cli/exit_code.h"

namespace cli {

// Options that may stand before the command word.
struct GlobalOptions {
    bool simulate = false;              // --simulate[=PRESET]: the simulated box instead of real hardware
    std::string simulatePreset;         // empty: the default preset
    std::string simState;               // --sim-state FILE: keep the simulated box's memory between runs
    bool simPaced = false;              // --sim-paced: the simulated link at full speed's real pace
    std::string simTrace;               // --trace FILE (or --sim-trace): append one line per report
    std::optional<std::string> server;  // --server HOST:PORT
    bool noCrypt = false;               // --no-crypt: plain documents
    int waitSeconds = 5;                // --wait SECONDS: how long a command waits for a box; 0: no limit
    std::string device;                 // --device PATH|SERIAL: the one box to work with; empty: the only one
    bool quiet = false;                 // -q: only errors and the result
    bool verbose = false;               // -v: debug lines and the causes
    bool json = false;                  // --json: one JSON object per line on stdout, human text on stderr
    std::shared_ptr<const Events> events = std::make_shared<Events>();  // where --json events go
    // Set when the simulated box's memory could not be saved to --sim-state (at the end or on a signal): the
    // run then fails whatever the command said.
    std::shared_ptr<std::atomic<bool>> stateSaveFailed = std::make_shared<std::atomic<bool>>(false);
};

// A command gets the global options and the words after its name (never --help: main() answers that).
using CommandFunction = ExitCode (*)(const GlobalOptions& options, const std::vector<std::string>& arguments);

struct Command {
    const char* name;
    const char* synopsis;  // the words after "arvex-cli", e.g. "flash FILE.hex [--target 0|1] [--verify]"
    const char* summary;   // one line for the program's help
    const char* details;   // the command's options, "  --name VALUE  text" lines; may be empty
    CommandFunction run;
};

// Each group lives in its own file; commandTable() joins them in the order the help shows.
std::span<const Command> boxCommands();          // devices, info
std::span<const Command> programmingCommands();  // identify, flash, read, erase-user-data, reset
std::span<const Command> serverCommands();       // login, list, download, register
std::span<const Command> updateCommands();       // update

std::span<const Command> commandTable();
const Command* findCommand(std::string_view name);  // null for an unknown name

// Help texts, on stdout for --help and on stderr after a usage error.
void printProgramHelp(std::FILE* out);
void printCommandHelp(const Command& command, std::FILE* out);
void printVersion(const char* program, std::FILE* out);

// A usage error: one line naming the bad argument, the command's synopsis, and ExitCode::usage.
ExitCode usageError(const Command& command, const std::string& problem);
ExitCode usageError(std::string_view commandName, const std::string& problem);

}  // namespace cli
