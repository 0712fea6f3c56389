// The stand-in support server: answers the updater's documents (AUTH, REGISTER, FILELIST, SEARCH,
// GETFILE) over HTTP on 127.0.0.1, sealed or plain, from a box registry and a catalogue folder, with
// fault switches for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/server/catalogue.h"
#include "sim/server/catalogue_answers.h"
#include "sim/server/http_server.h"
#include "sim/server/registry.h"

namespace tinyxml2 {
class XMLElement;
}

namespace sim {

struct ServerFaults {
    bool refuseConnections = false;        // the port refuses connections
    bool dropConnections = false;          // each request is read, then the connection closes unanswered
    int delayMs = 0;                       // pause before answering
    bool wrongRequestId = false;           // answers echo an id one off the request's
    std::string errorText;                 // e.g. "EC12::Server busy", sent instead of every answer
    bool corruptEnvelope = false;          // one ciphertext byte of every sealed answer flipped
    bool http10Reply = false;              // status line "HTTP/1.0 200 OK"
    bool keepOpen = false;                 // the connection stays open after the answer
    std::size_t longHeadBytes = 0;         // an extra reply header of this many bytes
    std::uint64_t shortBodyBytes = 0;      // a file answer leaves out this many of its last bytes
    std::optional<std::string> replyBody;  // sent as the whole answer body instead of the computed one
    int httpStatus = 200;                  // status code of every answer (the body stays as computed)
    std::string redirectTo;                // a 302 answer pointing there instead of the answer
    int trickleMs = 0;                     // the answer goes out in small pieces with this pause between
    std::size_t trickleBytes = 16;         // size of each piece while trickling
};

struct SupportServerOptions {
    std::string catalogueFolder;  // empty: a sample catalogue in a temporary folder, removed at the end
    std::string stateFile;        // registrations are loaded from and appended to it when set
    std::vector<BoxRecord> registry = defaultRegistry();
    int keepOpenMs = 30000;  // how long the "kept open" fault holds a connection at most
};

// What the server script prints around an answer document in debug mode ("debugmode=1" in the query): a
// PHP notice and an echo before it, a comment and an echo after it. File answers go out without it.
std::string debugOutputAround(const std::string& document);

// Routing: the request checked and opened, the document handed to the registry or the catalogue, the
// answer sealed and sent under the fault switches. Each connection runs on its own thread.
class SupportServer {
public:
    explicit SupportServer(SupportServerOptions options = {});
    ~SupportServer();
    SupportServer(const SupportServer&) = delete;
    SupportServer& operator=(const SupportServer&) = delete;

    // Loads the catalogue and the state file, then listens on 127.0.0.1:port (0 picks a free port).
    [[nodiscard]] bool start(std::uint16_t port = 0);
    void stop();
    std::uint16_t port() const;

    void setFaults(const ServerFaults& faults);
    ServerFaults faults() const;

    const std::string& catalogueFolder() const { return options_.catalogueFolder; }
    const Catalogue& catalogue() const { return catalogue_; }
    // The id of the catalogue entry at a path below the catalogue folder; empty when there is none.
    std::string idOf(const std::string& relativePath) const;
    bool isRegistered(const std::string& serial) const;

    // The last request as it arrived and the last plain document read from it (for tests).
    HttpRequest lastRequest() const;
    std::string lastDocument() const;
    std::size_t requestCount() const;

private:
    void handle(const HttpRequest& request, ResponseWriter& response);
    Answer answerDocument(const std::string& document);
    Answer answerRegister(const std::string& id, const tinyxml2::XMLElement* command);

    SupportServerOptions options_;
    bool ownsCatalogue_ = false;
    Catalogue catalogue_;  // read-only once started
    BoxRegistry registry_;
    IssuedKeys keys_;
    std::unique_ptr<HttpServer> http_;

    mutable std::mutex mutex_;  // guards everything below
    ServerFaults faults_;
    HttpRequest lastRequest_;
    std::string lastDocument_;
    std::size_t requestCount_ = 0;
};

}  // namespace sim
