// Runs arvex-cli (its path comes from the ARVEX_CLI definition) as a user would, stdout and stderr together.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

// Starts arvex-cli with these arguments in a child process, its output thrown away, with the environment
// variables given set in the child only. The child's pid; -1 when it could not be started.
inline pid_t spawnCli(const std::vector<std::string>& arguments,
                      const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    // Built before the fork: the child only redirects, sets and executes.
    std::vector<char*> argv{const_cast<char*>(ARVEX_CLI)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child != 0) return child;
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    ::execv(ARVEX_CLI, argv.data());
    ::_exit(127);
}

// Sends the signal to a child started by spawnCli and waits for it: its exit code, or -1 when it did not
// exit normally.
inline int interruptAndWait(pid_t child, int signal) {
    if (::kill(child, signal) != 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
