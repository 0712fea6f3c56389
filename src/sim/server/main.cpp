// arvex-support-server: the stand-in support server on 127.0.0.1, for the demo and manual tests.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "sim/server/sample_catalogue.h"
#include "sim/server/support_server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

void usage(std::FILE* out) {
    std::fputs(
        "usage: arvex-support-server [--port N] [--catalogue DIR] [--state FILE] [faults]\n"
        "  --port N           TCP port on 127.0.0.1 (0, the default, picks a free one)\n"
        "  --catalogue DIR    serve DIR (a missing or empty DIR gets the sample catalogue)\n"
        "  --state FILE       remember registrations in FILE\n"
        "faults: --refuse  --delay MS  --wrong-id  --error-text TEXT  --corrupt-envelope  --http10\n"
        "        --keep-open  --long-head BYTES  --short-body BYTES\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    simserver::SupportServerOptions options;
    simserver::ServerFaults faults;
    long port = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "arvex-support-server: %s needs a value\n", word.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (word == "--port")
            port = std::strtol(value(), nullptr, 10);
        else if (word == "--catalogue")
            options.catalogueFolder = value();
        else if (word == "--state")
            options.stateFile = value();
        else if (word == "--refuse")
            faults.refuseConnections = true;
        else if (word == "--delay")
            faults.delayMs = std::atoi(value());
        else if (word == "--wrong-id")
            faults.wrongRequestId = true;
        else if (word == "--error-text")
            faults.errorText = value();
        else if (word == "--corrupt-envelope")
            faults.corruptEnvelope = true;
        else if (word == "--http10")
            faults.http10Reply = true;
        else if (word == "--keep-open")
            faults.keepOpen = true;
        else if (word == "--long-head")
            faults.longHeadBytes = std::strtoul(value(), nullptr, 10);
        else if (word == "--short-body")
            faults.shortBodyBytes = std::strtoull(value(), nullptr, 10);
        else if (word == "-h" || word == "--help") {
            usage(stdout);
            return 0;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (port < 0 || port > 65535) {
        std::fprintf(stderr, "arvex-support-server: bad port %ld\n", port);
        return 2;
    }
    if (!options.catalogueFolder.empty()) {
        std::error_code error;
        const std::filesystem::path folder(options.catalogueFolder);
        if (!std::filesystem::exists(folder, error) || std::filesystem::is_empty(folder, error)) {
            if (!simserver::writeSampleCatalogue(options.catalogueFolder)) {
                std::fprintf(stderr, "arvex-support-server: cannot write the catalogue into %s\n",
                             options.catalogueFolder.c_str());
                return 1;
            }
        }
    }

    simserver::SupportServer server(options);
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
