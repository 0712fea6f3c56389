// One connection to a support server: the endpoint, the session values that tie requests and answers
// together, the box's and the user's records, the transport settings, the envelope's key area and the log
// sink. The window logic, each CLI command and each test make their own; two clients in one process share
// nothing (the only process-wide piece is in server/process_wide.h).
//
// Threads: a client is used by one thread at a time (the window hands it between the UI thread and the
// bootloader's worker, never to both at once); two clients may run on two threads at the same time.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "server/documents.h"
#include "server/envelope.h"
#include "server/log_sink.h"
#include "server/progress_sink.h"
#include "server/raw_download.h"
#include "server/transport.h"

namespace server {

class ServerClient {
public:
    // The support server's endpoint, sealing on, fresh session values.
    ServerClient();
    explicit ServerClient(LogSink log);

    // The values the caller sets and reads; the request functions below read and update them.
    Endpoint endpoint;
    SessionValues session;
    DeviceInfo device;
    UserInfo user;
    TransportSettings transport;
    RawDownloadSettings rawDownload;

    // The support server's endpoint and sealing on (the rest of the session is left as it is).
    void setDefaults();
    void setLogSink(LogSink log) { log_ = std::move(log); }

    // Writes at level 1 with no code: the error lines the window shows.
    void logError(const std::string& text) const;
    // Writes at level 8: shown only in debug mode, for the cause behind an error line.
    void logDebug(const std::string& text) const;

    // --- documents. Each builder draws a fresh id, stores it in session.requestId and returns the command.
    std::string buildAuthCommand();
    std::string buildGetFileCommand();
    std::string buildFileListCommand();
    std::string buildSearchCommand(const std::string& pattern);
    std::string buildRegisterCommand();

    // Status of an AUTH or REGISTER answer; the server key is taken from it.
    [[nodiscard]] AuthAnswer parseAuthAnswer(const std::string& answer);
    // A FILELIST or SEARCH answer. An empty rowCallback is allowed: entries are then parsed and dropped.
    [[nodiscard]] FileListResult parseFileList(const std::string& answer, const RowCallback& rowCallback,
                                               int mode = 0, void* listView = nullptr);

    // --- requests
    // "http://" + host + ":" + port + "/" + requestPath.
    [[nodiscard]] std::string serverUrl() const;

    // Only the first line of parameters is read: the target file (kinds 4 and 6) or the search pattern (7).
    // A download kind with a target file takes the raw path; everything else the library path.
    [[nodiscard]] RequestOutcome runRequest(int kind, std::vector<std::uint8_t>* answerStream,
                                            const std::vector<std::string>* parameters,
                                            const ProgressSink* sink, bool decryptAnswer,
                                            HttpClient* client = nullptr);
    [[nodiscard]] RequestOutcome requestText(int kind, std::string& answer,
                                             const std::vector<std::string>* parameters,
                                             const ProgressSink* sink, bool decryptAnswer,
                                             HttpClient* client = nullptr);
    // Without parameters there is no target file, so the request always takes the library path.
    [[nodiscard]] RequestResult requestSimple(int kind, std::string& answer, const ProgressSink* sink,
                                              bool decryptAnswer, HttpClient* client = nullptr);
    // parameterText is split into lines; the first names the target file.
    [[nodiscard]] RequestOutcome requestToFile(int kind, const std::string& parameterText,
                                               const ProgressSink* sink, bool decryptAnswer,
                                               HttpClient* client = nullptr);

private:
    std::vector<std::uint8_t> seal(const std::string& document, const char* failureText);
    [[nodiscard]] RawDownloadResult rawPath(const std::string& document, const std::string& targetFile,
                                            const ProgressSink* sink);
    [[nodiscard]] RequestResult libraryPath(const std::string& document,
                                            std::vector<std::uint8_t>* answerStream, const ProgressSink* sink,
                                            bool decryptAnswer, HttpClient* callerClient);
    [[nodiscard]] RequestResult postFailed(const std::string& cause,
                                           std::vector<std::uint8_t>& answerStream) const;

    EnvelopeState keyArea_;  // the key of the last message this client sealed or opened
    LogSink log_;
};

}  // namespace server
