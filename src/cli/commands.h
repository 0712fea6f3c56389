// arvex-cli: options shared by every command and the command groups that main() dispatches to.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

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
};

// A command gets the global options and the words after its name; it returns the process exit code.
using CommandFunction = int (*)(const GlobalOptions& options, const std::vector<std::string>& arguments);

struct Command {
    const char* name;
    const char* usage;  // one line for the help text
    CommandFunction run;
};

// Each group lives in its own file.
std::span<const Command> boxCommands();          // devices, info
std::span<const Command> programmingCommands();  // identify, flash, read, erase-user-data, reset
std::span<const Command> serverCommands();       // login, list, download, register
std::span<const Command> updateCommands();       // update

}  // namespace cli
