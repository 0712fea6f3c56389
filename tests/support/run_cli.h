// Runs arvex-cli (its path comes from the ARVEX_CLI definition) as a user would, stdout and stderr together.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testsupport {

struct CliRun {
    int status = -1;  // the exit code, or -1 when the program did not exit normally
    std::string output;
};

// Runs a shell command line and collects what it writes to stdout.
inline CliRun runShell(const std::string& command) {
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// arvex-cli with these arguments, stdout and stderr together.
inline CliRun runCli(const std::string& arguments) {
    return runShell(std::string(ARVEX_CLI) + " " + arguments + " 2>&1");
}

}  // namespace testsupport
