// arvex-support-server: the stand-in support server on 127.0.0.1, for the demo and manual tests.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "arvex/config.h"
#include "sim/server/sample_catalogue.h"
#include "sim/server/support_server.h"

namespace {

// Process-wide by nature: the signal handler can reach nothing else.
volatile std::sig_atomic_t stopRequested = 0;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

void onSignal(int) {
    stopRequested = 1;
}

void usage(std::FILE* out) {
    std::fputs(
        "Usage: arvex-support-server [OPTION]...\n"
        "Serve the Arvex support server's protocol on 127.0.0.1, for the demo and tests.\n"
        "\n"
        "Options:\n"
        "  -h, --help         show this help and exit\n"
        "      --version      show the version and whether the build carries example keys\n"
        "  --port N           TCP port on 127.0.0.1 (0, the default, picks a free one)\n"
        "  --catalogue DIR    serve DIR, which must exist (an empty DIR gets the sample catalogue)\n"
        "  --state FILE       remember registrations in FILE\n"
        "faults: --refuse  --drop  --delay MS  --wrong-id  --error-text TEXT  --corrupt-envelope  --http10\n"
        "        --keep-open  --long-head BYTES  --short-body BYTES\n",
        out);
}

[[noreturn]] void refuse(const std::string& sentence) {
    std::fprintf(stderr, "arvex-support-server: %s\n", sentence.c_str());
    std::exit(2);
}

// A whole decimal number in [minimum, maximum], or a refusal naming the option.
long long number(const std::string& option, const char* text, long long minimum, long long maximum) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || value < minimum || value > maximum)
        refuse(option + " wants a number from " + std::to_string(minimum) + " to " + std::to_string(maximum) +
               ", not '" + text + "'");
    return value;
}

// The catalogue folder must exist (it is never created); an empty one gets the sample catalogue.
void checkCatalogueFolder(const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) refuse("--catalogue " + folder + ": no such folder");
    if (std::filesystem::is_empty(folder, error) && !sim::writeSampleCatalogue(folder))
        refuse("--catalogue " + folder + ": cannot write the sample catalogue into it");
}

// Registrations are appended to the state file: it, or the folder that will hold it, must be writable.
void checkStateFile(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(file, error)) {
        if (fs::is_directory(file, error)) refuse("--state " + file + ": is a folder, not a file");
        if (::access(file.c_str(), W_OK) != 0) refuse("--state " + file + ": " + std::strerror(errno));
        return;
    }
    fs::path folder = fs::path(file).parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, error)) refuse("--state " + file + ": no folder " + folder.string());
    if (::access(folder.c_str(), W_OK) != 0)
        refuse("--state " + file + ": cannot create it in " + folder.string() + ": " + std::strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
    sim::SupportServerOptions options;
    sim::ServerFaults faults;
    long port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) refuse(word + " needs a value");
            return argv[++i];
        };
        if (word == "--port")
            port = static_cast<long>(number(word, value(), 0, 65535));
        else if (word == "--catalogue")
            options.catalogueFolder = value();
        else if (word == "--state")
            options.stateFile = value();
        else if (word == "--refuse")
            faults.refuseConnections = true;
        else if (word == "--delay")
            faults.delayMs = static_cast<int>(number(word, value(), 0, 3600000));
        else if (word == "--wrong-id")
            faults.wrongRequestId = true;
        else if (word == "--error-text")
            faults.errorText = value();
        else if (word == "--corrupt-envelope")
            faults.corruptEnvelope = true;
        else if (word == "--http10")
            faults.http10Reply = true;
        else if (word == "--drop")
            faults.dropConnections = true;
        else if (word == "--keep-open")
            faults.keepOpen = true;
        else if (word == "--long-head")
            faults.longHeadBytes = static_cast<std::size_t>(number(word, value(), 0, 1 << 20));
        else if (word == "--short-body")
            faults.shortBodyBytes = static_cast<std::uint64_t>(number(word, value(), 0, 1LL << 40));
        else if (word == "-h" || word == "--help") {
            usage(stdout);
            return 0;
        } else if (word == "--version") {
            std::printf("arvex-support-server %s\nKeys: %s\n", arvex::config::kProgramVersion,
                        arvex::config::kExampleKeys ? "example keys" : "production keys");
            return 0;
        } else {
            usage(stderr);
            refuse("unknown option '" + word + "'");
        }
    }
    if (!options.catalogueFolder.empty()) checkCatalogueFolder(options.catalogueFolder);
    if (!options.stateFile.empty()) checkStateFile(options.stateFile);

    sim::SupportServer server(options);
    server.setFaults(faults);
    if (!server.start(static_cast<std::uint16_t>(port))) {
        std::fprintf(stderr, "arvex-support-server: cannot listen on 127.0.0.1:%ld\n", port);
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("listening on 127.0.0.1:%u\n", server.port());
    std::printf("catalogue %s\n", server.catalogueFolder().c_str());
    std::fflush(stdout);
    while (stopRequested == 0) pause();
    server.stop();
    return 0;
}
