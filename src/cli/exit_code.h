// arvex-cli: the process exit codes, one table for every command (README, "Command-line conventions").
#pragma once

namespace cli {

enum class ExitCode : int {
    done = 0,           // the command did what was asked
    failed = 1,         // the operation failed: the box, the server or the data
    usage = 2,          // a bad argument or option; the message names it
    notRegistered = 3,  // the server does not know this box (AUTH_KO)
    blocked = 4,        // the server has blocked this box (BLACKLIST)
    noBox = 5,          // no box answered within the wait
    interrupted = 130,  // SIGINT or SIGTERM
};

constexpr int toInt(ExitCode code) {
    return static_cast<int>(code);
}

// The word the JSON result object carries for a code.
constexpr const char* outcomeWord(ExitCode code) {
    switch (code) {
        case ExitCode::done:
            return "done";
        case ExitCode::failed:
            return "failed";
        case ExitCode::usage:
            return "usage";
        case ExitCode::notRegistered:
            return "not-registered";
        case ExitCode::blocked:
            return "blocked";
        case ExitCode::noBox:
            return "no-box";
        case ExitCode::interrupted:
            return "interrupted";
    }
    return "failed";
}

}  // namespace cli
