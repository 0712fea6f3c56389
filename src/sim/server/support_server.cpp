#include "sim/server/support_server.h"

#include <tinyxml2.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "server/documents.h"
#include "server/envelope.h"
#include "sim/server/multipart.h"
#include "sim/server/sample_catalogue.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScriptPath = "/support/api_support.php";

std::string attribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value != nullptr ? value : "";
}

std::string makeTemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "arvex-catalogue-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::string answerHead(const ServerFaults& faults, std::uint64_t contentLength) {
    std::string head = faults.http10Reply ? "HTTP/1.0 " : "HTTP/1.1 ";
    if (!faults.redirectTo.empty())
        head += "302 Found\r\nLocation: " + faults.redirectTo + "\r\n";
    else if (faults.httpStatus == 200)
        head += "200 OK\r\n";
    else
        head += std::to_string(faults.httpStatus) + " Fault\r\n";
    head += "Content-Type: application/octet-stream\r\nContent-Length: " + std::to_string(contentLength) +
            "\r\nConnection: close\r\n";
    if (faults.longHeadBytes > 0) head += "X-Padding: " + std::string(faults.longHeadBytes, 'p') + "\r\n";
    return head + "\r\n";
}

}  // namespace

std::string debugOutputAround(const std::string& document) {
    return "<br />\n<b>Notice</b>:  Undefined index: pattern in <b>/support/api_support.php</b> on line "
           "<b>88</b><br />\ndebug: answering <zekCom> request\n" +
           document + "\n<!-- debug: 3 queries, 0.004 s -->\ndebug: done <zekCom\n";
}

SupportServer::SupportServer(SupportServerOptions options)
    : options_(std::move(options)), registry_(options_.registry, options_.stateFile) {}

SupportServer::~SupportServer() {
    stop();
    if (ownsCatalogue_) {
        std::error_code error;
        fs::remove_all(options_.catalogueFolder, error);
    }
}

bool SupportServer::start(std::uint16_t port) {
    if (http_) return false;
    if (options_.catalogueFolder.empty()) {
        options_.catalogueFolder = makeTemporaryFolder();
        ownsCatalogue_ = !options_.catalogueFolder.empty();
        if (!ownsCatalogue_ || !writeSampleCatalogue(options_.catalogueFolder)) return false;
    }
    if (!catalogue_.load(options_.catalogueFolder)) return false;
    registry_.loadState();
    http_ = std::make_unique<HttpServer>(
        [this](const HttpRequest& request, ResponseWriter& response) { handle(request, response); });
    http_->setRefuseConnections(faults().refuseConnections);
    if (!http_->start(port)) {
        http_.reset();
        return false;
    }
    return true;
}

void SupportServer::stop() {
    if (http_) http_->stop();
    http_.reset();
}

std::uint16_t SupportServer::port() const {
    return http_ ? http_->port() : 0;
}

void SupportServer::setFaults(const ServerFaults& faults) {
    {
        std::lock_guard lock(mutex_);
        faults_ = faults;
    }
    if (http_) http_->setRefuseConnections(faults.refuseConnections);
}

ServerFaults SupportServer::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::string SupportServer::idOf(const std::string& relativePath) const {
    std::vector<std::string> pending = {"0"};
    while (!pending.empty()) {
        const std::string folder = pending.back();
        pending.pop_back();
        for (const CatalogueEntry* entry : catalogue_.children(folder)) {
            if (entry->relativePath == relativePath) return entry->id;
            if (entry->folder) pending.push_back(entry->id);
        }
    }
    return {};
}

bool SupportServer::isRegistered(const std::string& serial) const {
    return registry_.isRegistered(serial);
}

HttpRequest SupportServer::lastRequest() const {
    std::lock_guard lock(mutex_);
    return lastRequest_;
}

std::string SupportServer::lastDocument() const {
    std::lock_guard lock(mutex_);
    return lastDocument_;
}

std::size_t SupportServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requestCount_;
}

void SupportServer::handle(const HttpRequest& request, ResponseWriter& response) {
    const ServerFaults faults = this->faults();
    {
        std::lock_guard lock(mutex_);
        lastRequest_ = request;
        ++requestCount_;
    }
    if (faults.delayMs > 0) response.pause(faults.delayMs);
    if (faults.dropConnections) return;  // nothing written: the client sees the connection end

    const std::size_t queryAt = request.target.find('?');
    const std::string path = request.target.substr(0, queryAt);
    const std::string query = queryAt == std::string::npos ? "" : request.target.substr(queryAt + 1);
    if (request.method != "POST" || (path != kScriptPath && path != std::string("/") + kScriptPath)) {
        // The connection ends after this answer either way: a failed write leaves nothing to undo.
        (void)response.write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    const bool plain = ("&" + query + "&").find("&nocrypt=1&") != std::string::npos;
    const bool debug = ("&" + query + "&").find("&debugmode=1&") != std::string::npos;

    Answer answer;
    std::optional<std::string> part = readDataPart(request);
    if (!part) {
        answer.text = "EC01::No data part";
    } else if (plain) {
        answer = answerDocument(*part);
    } else {
        std::vector<std::uint8_t> sealed(part->begin(), part->end());
        std::vector<std::uint8_t> opened;
        server::EnvelopeState keyArea;
        if (server::unwrapStream(&opened, &sealed, keyArea) != server::UnwrapResult::ok) {
            answer.text = "EC02::Bad envelope";
        } else {
            answer = answerDocument(std::string(opened.begin(), opened.end()));
            answer.seal = answer.seal && answer.file == nullptr;
        }
    }
    // Answer documents are the ones that would be sealed for a sealed request.
    if (debug && answer.seal) answer.text = debugOutputAround(answer.text);
    if (plain) answer.seal = false;

    if (answer.seal) {
        std::vector<std::uint8_t> document(answer.text.begin(), answer.text.end());
        std::vector<std::uint8_t> sealed;
        server::EnvelopeState keyArea;
        if (server::wrapStream(&sealed, &document, keyArea) != server::WrapResult::ok) {
            answer.text = "EC06::Cannot seal the answer";
        } else {
            if (faults.corruptEnvelope && sealed.size() > server::kEnvelopeHeaderSize)
                sealed[server::kEnvelopeHeaderSize] ^= 0x01;
            answer.text.assign(sealed.begin(), sealed.end());
        }
    }
    if (!faults.errorText.empty()) answer = Answer{faults.errorText};
    if (faults.replyBody) answer = Answer{*faults.replyBody};

    std::uint64_t fileBytes = 0;
    std::ifstream file;
    if (answer.file != nullptr) {
        file.open(catalogue_.fullPath(*answer.file), std::ios::binary);
        fileBytes = answer.file->size - std::min(answer.file->size, faults.shortBodyBytes);
    }
    // Writes at once, or piece by piece with a pause between under the trickle fault.
    auto send = [&](const char* data, std::size_t size) {
        if (faults.trickleMs <= 0) return response.write(data, size);
        const std::size_t piece = std::max<std::size_t>(faults.trickleBytes, 1);
        for (std::size_t at = 0; at < size; at += piece) {
            if (at > 0) response.pause(faults.trickleMs);
            if (!response.write(data + at, std::min(piece, size - at))) return false;
        }
        return true;
    };
    const std::string head = answerHead(faults, answer.text.size() + fileBytes);
    if (!response.write(head) || !send(answer.text.data(), answer.text.size())) return;
    std::vector<char> chunk(std::size_t{64} * 1024);
    while (fileBytes > 0 && file) {
        file.read(chunk.data(),
                  static_cast<std::streamsize>(std::min<std::uint64_t>(chunk.size(), fileBytes)));
        const auto got = static_cast<std::size_t>(file.gcount());
        if (got == 0 || !send(chunk.data(), got)) return;
        fileBytes -= got;
    }
    if (faults.keepOpen) response.holdOpen(options_.keepOpenMs);
}

Answer SupportServer::answerDocument(const std::string& document) {
    {
        std::lock_guard lock(mutex_);
        lastDocument_ = document;
    }
    tinyxml2::XMLDocument xml(true, tinyxml2::COLLAPSE_WHITESPACE);
    const tinyxml2::XMLElement* command = nullptr;
    if (xml.Parse(document.data(), document.size()) == tinyxml2::XML_SUCCESS) {
        if (const tinyxml2::XMLElement* root = xml.FirstChildElement("zekCom"))
            command = root->FirstChildElement("cmd");
    }
    if (command == nullptr) return Answer{"EC03::Malformed document"};

    std::string id = attribute(command, "id");
    if (faults().wrongRequestId) id = std::to_string(std::atoi(id.c_str()) + 1);
    const std::string type = attribute(command, "type");
    const std::string key = attribute(command, "serverkey");
    if (type == "AUTH")
        return statusAnswer(id, keys_.issue(), registry_.authStatus(attribute(command, "serial")));
    if (type != "REGISTER" && type != "FILELIST" && type != "SEARCH" && type != "GETFILE")
        return Answer{"EC04::Unknown command"};
    if (!keys_.contains(key)) {
        if (type == "GETFILE") return Answer{"0\r\nInvalid server key||\r\n"};
        return Answer{"EC05::Invalid server key"};
    }
    if (type == "REGISTER") return answerRegister(id, command);
    if (type == "GETFILE") return fileAnswer(catalogue_, attribute(command, "fileid"));
    const std::string pattern = attribute(command, "pattern");
    return listAnswer(catalogue_, id, attribute(command, "folderid"), type == "SEARCH" ? &pattern : nullptr);
}

Answer SupportServer::answerRegister(const std::string& id, const tinyxml2::XMLElement* command) {
    const BoxRecord box{attribute(command, "rserial"), attribute(command, "rpid"),
                        attribute(command, "rmail")};
    const std::string status = registry_.registerBox(
        box, attribute(command, "rname"), attribute(command, "rpw"), attribute(command, "rcountry"));
    return statusAnswer(id, keys_.issue(), status);
}

}  // namespace sim
