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

    // Status of an AUTH or REGISTER answer (AuthAnswer); the server key is taken from it.
    [[nodiscard]] int parseAuthAnswer(const std::string& answer);
    // A FILELIST or SEARCH answer (FileListResult). An empty rowCallback is allowed: entries are then parsed
    // and dropped.
    [[nodiscard]] int parseFileList(const std::string& answer, const RowCallback& rowCallback, int mode = 0,
                                    void* listView = nullptr);

    // --- requests (RequestResult, or a RawDownloadResult for a download to a file)
    // "http://" + host + ":" + port + "/" + requestPath.
    [[nodiscard]] std::string serverUrl() const;

    // Only the first line of parameters is read: the target file (kinds 4 and 6) or the search pattern (7).
    [[nodiscard]] int runRequest(int kind, std::vector<std::uint8_t>* answerStream,
                                 const std::vector<std::string>* parameters, const ProgressSink* sink,
                                 bool decryptAnswer, HttpClient* client = nullptr);
    [[nodiscard]] int requestText(int kind, std::string& answer, const std::vector<std::string>* parameters,
                                  const ProgressSink* sink, bool decryptAnswer, HttpClient* client = nullptr);
    [[nodiscard]] int requestSimple(int kind, std::string& answer, const ProgressSink* sink,
                                    bool decryptAnswer, HttpClient* client = nullptr);
    // parameterText is split into lines; the first names the target file.
    [[nodiscard]] int requestToFile(int kind, const std::string& parameterText, const ProgressSink* sink,
                                    bool decryptAnswer, HttpClient* client = nullptr);

private:
    std::vector<std::uint8_t> seal(const std::string& document, const char* failureText);
    int rawPath(const std::string& document, const std::string& targetFile, const ProgressSink* sink);
    int libraryPath(const std::string& document, std::vector<std::uint8_t>* answerStream,
                    const ProgressSink* sink, bool decryptAnswer, HttpClient* callerClient);
    int postFailed(const std::string& cause, std::vector<std::uint8_t>& answerStream) const;

    EnvelopeState keyArea_;  // the key of the last message this client sealed or opened
    LogSink log_;
};

}  // namespace server
