// Download benchmark: a 64 MiB file over the hand-built raw path from the stand-in server, next to the
// curl tool fetching the same bytes from the same server in the same run, and the peak resident memory of
// the process while it downloads.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/result.h"
#include "server/documents.h"
#include "server/raw_download.h"
#include "server/server_client.h"
#include "server/transport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace server;

constexpr std::size_t kFileSize = 64u << 20;
constexpr int kRounds = 3;
constexpr double kThroughputTarget = 0.8;
constexpr double kMemoryLimitMiB = 32.0;

long statusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

bool writeBigFile(const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    std::uint32_t state = 12345;
    for (std::size_t written = 0; written < kFileSize; written += chunk.size()) {
        for (char& c : chunk) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    return static_cast<bool>(out);
}

struct ServerProcess {
    pid_t pid = -1;
    int port = 0;
};

// Starts arvex-support-server (beside this program) on a free port and reads the port it prints.
bool startServer(const fs::path& catalogue, ServerProcess& server) {
    const fs::path binary = fs::read_symlink("/proc/self/exe").parent_path() / "arvex-support-server";
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string binaryText = binary.string(), catalogueText = catalogue.string();
    char* argv[] = {const_cast<char*>(binaryText.c_str()),
                    const_cast<char*>("--port"),
                    const_cast<char*>("0"),
                    const_cast<char*>("--catalogue"),
                    const_cast<char*>(catalogueText.c_str()),
                    nullptr};
    const int spawned = posix_spawn(&server.pid, binaryText.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return false;
    }
    std::FILE* out = ::fdopen(pipeFds[0], "r");
    char line[256];
    const bool read = std::fgets(line, sizeof line, out) != nullptr &&
                      std::sscanf(line, "listening on 127.0.0.1:%d", &server.port) == 1;
    std::fclose(out);
    return read;
}

void stopServer(const ServerProcess& server) {
    if (server.pid <= 0) return;
    ::kill(server.pid, SIGTERM);
    ::waitpid(server.pid, nullptr, 0);
}

double seconds(std::chrono::steady_clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

}  // namespace

int main() {
    const fs::path work = fs::temp_directory_path() / ("arvex-download-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "catalogue");
    if (!writeBigFile(work / "catalogue" / "big.bin")) {
        std::fprintf(stderr, "cannot write the test file\n");
        return 1;
    }
    ServerProcess serverProcess;
    if (!startServer(work / "catalogue", serverProcess)) {
        std::fprintf(stderr, "cannot start arvex-support-server\n");
        stopServer(serverProcess);
        return 1;
    }

    // Plain documents, so that curl can send the same request bytes.
    ServerClient client;
    client.session.cryptEnabled = false;
    client.endpoint.host = client.endpoint.hostHeader = "127.0.0.1";
    client.endpoint.port = serverProcess.port;
    client.endpoint.requestPath = std::string(kDefaultRequestPath) + "?nocrypt=1";
    client.device = {"AK02", "00012345", "14-09-2010", "Arvex", ""};
    std::string answer;
    if (client.requestSimple(kRequestAuth, answer, nullptr, true) != RequestResult::ok ||
        client.parseAuthAnswer(answer) != AuthAnswer::ok) {
        std::fprintf(stderr, "login to the stand-in server failed\n");
        stopServer(serverProcess);
        return 1;
    }
    client.session.selectedFileId = "1";
    const fs::path document = work / "getfile.xml";
    const std::string documentText = documentHead() + client.buildGetFileCommand() + documentTail();
    std::ofstream(document, std::ios::binary) << documentText;
    const std::vector<std::uint8_t> payload(documentText.begin(), documentText.end());

    const std::string curlCommand =
        "curl -s -f --max-time 60 -H 'Expect:' -o '" + (work / "curl.bin").string() + "' -F 'data=@" +
        document.string() + ";filename=file' 'http://127.0.0.1:" + std::to_string(serverProcess.port) +
        "//support/api_support.php?nocrypt=1'";
    const long baselineKiB = statusKiB("VmHWM:");
    double bestRaw = 1e9, bestCurl = 1e9;
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        ProgressSink sink;
        auto start = std::chrono::steady_clock::now();
        const RawDownloadResult code =
            rawPostToFile(client.endpoint, client.rawDownload, (work / "raw.bin").string(), &payload, &sink)
                .code;
        bestRaw = std::min(bestRaw, seconds(std::chrono::steady_clock::now() - start));
        start = std::chrono::steady_clock::now();
        const int curlStatus = std::system(curlCommand.c_str());
        bestCurl = std::min(bestCurl, seconds(std::chrono::steady_clock::now() - start));
        ok = code == RawDownloadResult::ok && curlStatus == 0 &&
             fs::file_size(work / "raw.bin") == kFileSize &&
             fs::file_size(work / "curl.bin") == kFileSize + 4 + std::to_string(kFileSize).size() + 3;
        if (!ok)
            std::fprintf(stderr, "round %d failed: raw download %d, curl %d\n", round, base::code(code),
                         curlStatus);
    }
    const long peakKiB = statusKiB("VmHWM:");
    stopServer(serverProcess);
    fs::remove_all(work);
    if (!ok) return 1;

    const double mib = static_cast<double>(kFileSize) / (1 << 20);
    const double rawRate = mib / bestRaw, curlRate = mib / bestCurl;
    std::printf("raw download of %.0f MiB: %.0f MiB/s; curl on the same server: %.0f MiB/s\n", mib, rawRate,
                curlRate);
    std::printf("throughput ratio raw/curl: %.2f (target >= %.1f) %s\n", rawRate / curlRate,
                kThroughputTarget, rawRate / curlRate >= kThroughputTarget ? "ok" : "BELOW TARGET");
    const double peakMiB = static_cast<double>(peakKiB) / 1024.0;
    std::printf(
        "peak resident memory: %.1f MiB (%.1f MiB before downloading), ratio to the %.0f MiB limit: %.2f "
        "%s\n",
        peakMiB, static_cast<double>(baselineKiB) / 1024.0, kMemoryLimitMiB, peakMiB / kMemoryLimitMiB,
        peakMiB < kMemoryLimitMiB ? "ok" : "ABOVE LIMIT");
    return 0;
}
