// arvex-cli: the updater's functions on the command line, against a real box or the simulated one.
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "arvex/config.h"
#include "cli/backend_choice.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "server/endpoint_config.h"

namespace {

const std::array kGroups = {cli::boxCommands, cli::programmingCommands, cli::serverCommands,
                            cli::updateCommands};

void printUsage(std::FILE* out) {
    std::fputs(
        "usage: arvex-cli [--simulate[=PRESET,...]] [--sim-paced] [--sim-state FILE] [--trace FILE] [--wait "
        "SECONDS]\n"
        "                 [--server HOST:PORT] [--no-crypt] COMMAND [ARGS]\n\ncommands:\n",
        out);
    for (auto group : kGroups)
        for (const cli::Command& command : group()) std::fprintf(out, "  %s\n", command.usage);
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool takeValue(const std::string& word, const char* name, int& index, int argc, char** argv,
               std::string& value) {
    const std::size_t length = std::strlen(name);
    if (word.compare(0, length, name) != 0) return false;
    if (word.size() > length && word[length] == '=') {
        value = word.substr(length + 1);
        return true;
    }
    if (word.size() == length && index + 1 < argc) {
        value = argv[++index];
        return true;
    }
    return false;
}

// A whole number of seconds, 0 to one day.
bool parseSeconds(const std::string& text, int& seconds) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 || value > 86400) return false;
    seconds = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    cli::installInterruptHandling();
    cli::GlobalOptions options;
    int index = 1;
    for (; index < argc; ++index) {
        const std::string word = argv[index];
        std::string value;
        if (word == "--simulate") {
            options.simulate = true;
        } else if (word.rfind("--simulate=", 0) == 0) {
            options.simulate = true;
            options.simulatePreset = word.substr(std::strlen("--simulate="));
        } else if (word == "--sim-paced") {
            options.simPaced = true;
        } else if (takeValue(word, "--sim-state", index, argc, argv, value)) {
            options.simState = value;
        } else if (takeValue(word, "--trace", index, argc, argv, value) ||
                   takeValue(word, "--sim-trace", index, argc, argv, value)) {
            options.simTrace = value;
        } else if (takeValue(word, "--server", index, argc, argv, value)) {
            options.server = value;
        } else if (takeValue(word, "--wait", index, argc, argv, value)) {
            if (!parseSeconds(value, options.waitSeconds)) {
                std::fprintf(
                    stderr, "arvex-cli: --wait wants a whole number of seconds (0 waits forever), not '%s'\n",
                    value.c_str());
                return 2;
            }
        } else if (word == "--no-crypt") {
            options.noCrypt = true;
        } else if (word == "-h" || word == "--help") {
            printUsage(stdout);
            return 0;
        } else if (word.rfind("--", 0) == 0) {
            std::fprintf(stderr, "arvex-cli: unknown option %s\n", word.c_str());
            return 2;
        } else {
            break;
        }
    }
    if (index >= argc) {
        printUsage(stderr);
        return 2;
    }
    if (!options.simulate && arvex::config::kExampleKeys)
        std::fprintf(stderr, "arvex-cli: %s\n", arvex::config::kExampleKeysWarning);
    if (!options.server && !options.simulate) {
        // The configured endpoint: /etc/arvex/updater.conf, then the user's own file. A simulated run keeps
        // to its own stand-in server unless --server names one.
        const server::EndpointConfigResult config = server::readEndpointConfig(server::defaultConfigPaths());
        if (!config.error.empty()) {
            std::fprintf(stderr, "arvex-cli: %s\n", config.error.c_str());
            return 2;
        }
        if (config.endpoint.host || config.endpoint.port)
            options.server = config.endpoint.host.value_or(arvex::config::kSupportHost) + ":" +
                             std::to_string(config.endpoint.port.value_or(arvex::config::kSupportPort));
    }
    const std::string name = argv[index];
    const std::vector<std::string> arguments(argv + index + 1, argv + argc);
    for (auto group : kGroups)
        for (const cli::Command& command : group())
            if (name == command.name) {
                const int code = command.run(options, arguments);
                return code == 0 && cli::simulatedStateSaveFailed() ? 1 : code;
            }
    std::fprintf(stderr, "arvex-cli: unknown command '%s' (see arvex-cli --help)\n", name.c_str());
    return 2;
}
