// arvex-cli: the updater's functions on the command line, against a real box or the simulated one.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "arvex/config.h"
#include "cli/backend_choice.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "server/endpoint_config.h"

namespace {

using cli::ExitCode;

// The value of an option given as "--name VALUE" or "--name=VALUE"; `missing` is set when VALUE is absent.
bool takeValue(const std::string& word, const char* name, int& index, int argc, char** argv,
               std::string& value, bool& missing) {
    const std::size_t length = std::strlen(name);
    if (word.compare(0, length, name) != 0) return false;
    if (word.size() > length && word[length] == '=') {
        value = word.substr(length + 1);
        return true;
    }
    if (word.size() != length) return false;
    if (index + 1 < argc) {
        value = argv[++index];
    } else {
        missing = true;
    }
    return true;
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

// The final object of a --json run: the outcome and the exit code.
int finish(const cli::GlobalOptions& options, const std::string& command, ExitCode code) {
    options.events->emit(cli::Events::event("result")
                             .text("command", command)
                             .text("outcome", cli::outcomeWord(code))
                             .number("exit", cli::toInt(code)));
    return cli::toInt(code);
}

int usage(const cli::GlobalOptions& options, const std::string& problem, const std::string& command = {}) {
    std::fprintf(stderr, "arvex-cli: %s\nTry 'arvex-cli --help'.\n", problem.c_str());
    options.events->log({}, problem, "error");
    return finish(options, command, ExitCode::usage);
}

// --json: the events keep the real stdout; everything else printed there goes to stderr.
std::shared_ptr<const cli::Events> jsonEvents() {
    std::fflush(stdout);
    const int events = ::dup(STDOUT_FILENO);
    std::FILE* stream = events >= 0 ? ::fdopen(events, "w") : nullptr;
    if (stream == nullptr || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return nullptr;
    return std::make_shared<cli::Events>(stream);
}

// Reads the options before the command word; index ends on the command word. A non-empty result is the
// usage error.
std::string parseGlobalOptions(int argc, char** argv, int& index, cli::GlobalOptions& options, bool& help,
                               bool& version) {
    for (; index < argc; ++index) {
        const std::string word = argv[index];
        std::string value;
        bool missing = false;
        if (word == "--simulate") {
            options.simulate = true;
        } else if (word.rfind("--simulate=", 0) == 0) {
            options.simulate = true;
            options.simulatePreset = word.substr(std::strlen("--simulate="));
        } else if (word == "--sim-paced") {
            options.simPaced = true;
        } else if (takeValue(word, "--sim-state", index, argc, argv, value, missing)) {
            options.simState = value;
        } else if (takeValue(word, "--trace", index, argc, argv, value, missing) ||
                   takeValue(word, "--sim-trace", index, argc, argv, value, missing)) {
            options.simTrace = value;
        } else if (takeValue(word, "--server", index, argc, argv, value, missing)) {
            options.server = value;
        } else if (takeValue(word, "--device", index, argc, argv, value, missing)) {
            if (!missing && value.empty()) return "--device wants a device path or a serial number";
            options.device = value;
        } else if (takeValue(word, "--wait", index, argc, argv, value, missing)) {
            if (!missing && !parseSeconds(value, options.waitSeconds))
                return "--wait wants a whole number of seconds (0 waits forever), not '" + value + "'";
        } else if (word == "--no-crypt") {
            options.noCrypt = true;
        } else if (word == "-q" || word == "--quiet") {
            options.quiet = true;
        } else if (word == "-v" || word == "--verbose") {
            options.verbose = true;
        } else if (word == "--json") {
            options.json = true;
        } else if (word == "-h" || word == "--help") {
            help = true;
        } else if (word == "--version") {
            version = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return "unknown option '" + word + "'";
        } else {
            break;
        }
        if (missing) return word + " needs a value";
    }
    if (options.quiet && options.verbose) return "-q and -v exclude each other";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    cli::installInterruptHandling();
    cli::GlobalOptions options;
    int index = 1;
    bool help = false, version = false;
    const std::string problem = parseGlobalOptions(argc, argv, index, options, help, version);
    for (int word = 1; word < index && !options.json; ++word)
        options.json = std::strcmp(argv[word], "--json") == 0;
    if (options.json && !help && !version) {
        options.events = jsonEvents();
        if (!options.events) {
            std::fputs("arvex-cli: --json: cannot set up the event stream\n", stderr);
            return cli::toInt(ExitCode::failed);
        }
    }
    if (!problem.empty()) return usage(options, problem);
    // --help and --version win wherever they stand; they are never a command's argument.
    const std::vector<std::string> rest(argv + index, argv + argc);
    for (const std::string& word : rest) {
        help = help || word == "--help" || word == "-h";
        version = version || word == "--version";
    }
    if (version) {
        cli::printVersion("arvex-cli", stdout);
        return 0;
    }
    const std::string name = rest.empty() ? std::string() : rest[0];
    std::vector<std::string> arguments(rest.begin() + (rest.empty() ? 0 : 1), rest.end());
    if (name == "help") {
        if (arguments.empty()) {
            cli::printProgramHelp(stdout);
            return 0;
        }
        const cli::Command* command = cli::findCommand(arguments[0]);
        if (command == nullptr || arguments.size() > 1)
            return usage(options, command == nullptr ? "no command '" + arguments[0] + "'"
                                                     : "help takes one command, not '" + arguments[1] + "'");
        cli::printCommandHelp(*command, stdout);
        return 0;
    }
    const cli::Command* command = name.empty() ? nullptr : cli::findCommand(name);
    if (help) {
        if (command != nullptr)
            cli::printCommandHelp(*command, stdout);
        else
            cli::printProgramHelp(stdout);
        return 0;
    }
    if (name.empty()) return usage(options, "no command given");
    if (command == nullptr) return usage(options, "unknown command '" + name + "'", name);
    // An interrupted run still ends its event stream with a result.
    const cli::CleanupRegistration interrupted([&] { finish(options, name, ExitCode::interrupted); });

    if (!options.simulate && !options.quiet && arvex::config::kExampleKeys)
        std::fprintf(stderr, "arvex-cli: %s\n", arvex::config::kExampleKeysWarning);
    if (!options.server && !options.simulate) {
        // The configured endpoint: /etc/arvex/updater.conf, then the user's own file. A simulated run keeps
        // to its own stand-in server unless --server names one.
        const server::EndpointConfigResult config = server::readEndpointConfig(server::defaultConfigPaths());
        if (!config.error.empty()) return usage(options, config.error, name);
        if (config.endpoint.host || config.endpoint.port)
            options.server = config.endpoint.host.value_or(arvex::config::kSupportHost) + ":" +
                             std::to_string(config.endpoint.port.value_or(arvex::config::kSupportPort));
    }
    ExitCode code = command->run(options, arguments);
    if (code == ExitCode::done && *options.stateSaveFailed) code = ExitCode::failed;
    return finish(options, name, code);
}
