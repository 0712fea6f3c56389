#include "sim/server/support_server.h"

#include <openssl/rand.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "server/documents.h"
#include "server/envelope.h"
#include "sim/server/multipart.h"
#include "sim/server/sample_catalogue.h"

namespace simserver {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxIssuedKeys = 256;
constexpr const char* kScriptPath = "/support/api_support.php";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string attribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value != nullptr ? value : "";
}

std::optional<std::string> dataPart(const HttpRequest& request) {
    return multipartDataPart(request.header("Content-Type"), request.body);
}

std::string hexKey() {
    unsigned char random[8] = {};
    RAND_bytes(random, sizeof random);
    std::string key;
    char digits[3];
    for (unsigned char byte : random) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        key += digits;
    }
    return key;
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

std::vector<BoxRecord> defaultRegistry() {
    return {
        {"00012345", "AK02", "owner.ak02@example.com", false},
        {"00023456", "AK03", "owner.ak03@example.com", false},
        {"00034567", "AK02", "", false},
        {"00045678", "", "", false},
        {"00066666", "", "", true},
    };
}

std::string fileStatusBlock(std::uint64_t size) {
    return "1\r\n" + std::to_string(size) + "||\r\n";
}

struct SupportServer::Answer {
    std::string text;                      // the answer document, a status block or an error text
    bool seal = false;                     // an XML document is sealed when the request was
    const CatalogueEntry* file = nullptr;  // a file answer: text is its status block, the file follows
};

SupportServer::SupportServer(SupportServerOptions options) : options_(std::move(options)) {}

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
    loadState();
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
    std::lock_guard lock(mutex_);
    return std::any_of(options_.registry.begin(), options_.registry.end(),
                       [&](const BoxRecord& box) { return box.serial == serial && !box.blacklisted; });
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

std::string SupportServer::issueKey() {
    std::lock_guard lock(mutex_);
    issuedKeys_.push_back(hexKey());
    if (issuedKeys_.size() > kMaxIssuedKeys) issuedKeys_.pop_front();
    return issuedKeys_.back();
}

bool SupportServer::keyIssued(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return std::find(issuedKeys_.begin(), issuedKeys_.end(), key) != issuedKeys_.end();
}

void SupportServer::loadState() {
    if (options_.stateFile.empty()) return;
    std::ifstream in(options_.stateFile);
    std::string line;
    std::lock_guard lock(mutex_);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        BoxRecord box;
        if (!std::getline(fields, box.serial, '\t') || !std::getline(fields, box.pid, '\t') ||
            !std::getline(fields, box.mail, '\t'))
            continue;
        options_.registry.push_back(box);
    }
}

void SupportServer::saveRegistration(const BoxRecord& box, const std::string& name,
                                     const std::string& country) {
    if (options_.stateFile.empty()) return;
    std::ofstream out(options_.stateFile, std::ios::app);
    // Tabs and line breaks inside a field would split the record: they are stored as blanks.
    auto clean = [](std::string text) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
        return text;
    };
    out << clean(box.serial) << '\t' << clean(box.pid) << '\t' << clean(box.mail) << '\t' << clean(name)
        << '\t' << clean(country) << '\n';
}

void SupportServer::handle(const HttpRequest& request, ResponseWriter& response) {
    const ServerFaults faults = this->faults();
    {
        std::lock_guard lock(mutex_);
        lastRequest_ = request;
        ++requestCount_;
    }
    if (faults.delayMs > 0) response.pause(faults.delayMs);

    const std::size_t queryAt = request.target.find('?');
    const std::string path = request.target.substr(0, queryAt);
    const std::string query = queryAt == std::string::npos ? "" : request.target.substr(queryAt + 1);
    if (request.method != "POST" || (path != kScriptPath && path != std::string("/") + kScriptPath)) {
        response.write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    const bool plain = ("&" + query + "&").find("&nocrypt=1&") != std::string::npos;
    const bool debug = ("&" + query + "&").find("&debugmode=1&") != std::string::npos;

    Answer answer;
    std::optional<std::string> part = dataPart(request);
    if (!part) {
        answer.text = "EC01::No data part";
    } else if (plain) {
        answer = answerDocument(*part);
    } else {
        std::vector<std::uint8_t> sealed(part->begin(), part->end());
        std::vector<std::uint8_t> opened;
        ArvexClient::EnvelopeState keyArea;
        if (ArvexClient::unwrapStream(&opened, &sealed, keyArea) != ArvexClient::kEnvelopeOk) {
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
        ArvexClient::EnvelopeState keyArea;
        ArvexClient::wrapStream(&sealed, &document, keyArea);
        if (faults.corruptEnvelope && sealed.size() > ArvexClient::kEnvelopeHeaderSize)
            sealed[ArvexClient::kEnvelopeHeaderSize] ^= 0x01;
        answer.text.assign(sealed.begin(), sealed.end());
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
    std::vector<char> chunk(64 * 1024);
    while (fileBytes > 0 && file) {
        file.read(chunk.data(),
                  static_cast<std::streamsize>(std::min<std::uint64_t>(chunk.size(), fileBytes)));
        const auto got = static_cast<std::size_t>(file.gcount());
        if (got == 0 || !send(chunk.data(), got)) return;
        fileBytes -= got;
    }
    if (faults.keepOpen) response.holdOpen(options_.keepOpenMs);
}

SupportServer::Answer SupportServer::answerDocument(const std::string& document) {
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
    if (type == "AUTH") return answerAuth(id, attribute(command, "serial"));
    if (type != "REGISTER" && type != "FILELIST" && type != "SEARCH" && type != "GETFILE")
        return Answer{"EC04::Unknown command"};
    if (!keyIssued(key)) {
        if (type == "GETFILE") return Answer{"0\r\nInvalid server key||\r\n"};
        return Answer{"EC05::Invalid server key"};
    }
    if (type == "REGISTER") return answerRegister(id, command);
    if (type == "GETFILE") return answerGetFile(attribute(command, "fileid"));
    const std::string pattern = attribute(command, "pattern");
    return answerList(id, attribute(command, "folderid"), type == "SEARCH" ? &pattern : nullptr);
}

namespace {

std::string statusAnswer(const std::string& id, const std::string& key, const std::string& status) {
    using ArvexClient::escapeAttribute;
    return "<zekCom><resp id=\"" + escapeAttribute(id) + "\" serverkey=\"" + escapeAttribute(key) + "\">" +
           status + "</resp></zekCom>";
}

}  // namespace

SupportServer::Answer SupportServer::answerAuth(const std::string& id, const std::string& serial) {
    std::string status = "AUTH_KO";
    {
        std::lock_guard lock(mutex_);
        for (const BoxRecord& box : options_.registry)
            if (box.serial == serial) status = box.blacklisted ? "BLACKLIST" : "AUTH_OK";
    }
    return Answer{statusAnswer(id, issueKey(), status), true};
}

SupportServer::Answer SupportServer::answerRegister(const std::string& id,
                                                    const tinyxml2::XMLElement* command) {
    BoxRecord box{attribute(command, "rserial"), attribute(command, "rpid"), attribute(command, "rmail")};
    const std::string name = attribute(command, "rname");
    const std::string password = attribute(command, "rpw");
    const std::string country = attribute(command, "rcountry");
    std::string status;
    if (name.empty() || box.mail.empty() || password.empty() || country.empty() || box.serial.empty()) {
        status = "REG_ERROR: missing field";
    } else {
        std::lock_guard lock(mutex_);
        auto& registry = options_.registry;
        const std::string mail = lower(box.mail);
        const bool mailKnown = std::any_of(registry.begin(), registry.end(),
                                           [&](const BoxRecord& known) { return lower(known.mail) == mail; });
        const bool blocked = std::any_of(registry.begin(), registry.end(), [&](const BoxRecord& known) {
            return known.serial == box.serial && known.blacklisted;
        });
        if (blocked) {
            status = "REG_ERROR: device blocked";
        } else if (mailKnown) {
            status = "REGISTER_ALREADY";
        } else {
            registry.push_back(box);
            saveRegistration(box, name, country);
            status = "REGISTER_OK";
        }
    }
    return Answer{statusAnswer(id, issueKey(), status), true};
}

SupportServer::Answer SupportServer::answerList(const std::string& id, const std::string& folderId,
                                                const std::string* pattern) {
    using ArvexClient::escapeAttribute;
    const std::string folder = folderId.empty() ? "0" : folderId;
    const std::string location = catalogue_.folderPath(folder);
    std::string text = "<zekCom><resp id=\"" + escapeAttribute(id) + "\" cred=\"100\"><loc p=\"" +
                       escapeAttribute(location) + "\"/>";
    auto fileElement = [&](const std::string& fileId, const std::string& name, const std::string& size,
                           const std::string& type, const std::string& price, const std::string& path) {
        text += "<file fileid=\"" + escapeAttribute(fileId) + "\" name=\"" + escapeAttribute(name) +
                "\" size=\"" + size + "\" type=\"" + type + "\" price=\"" + escapeAttribute(price) +
                "\" path=\"" + escapeAttribute(path) + "\"/>";
    };
    const CatalogueEntry* current = catalogue_.find(folder);
    if (current != nullptr && current->folder)  // the way back up
        fileElement(current->parentId, "..", "0", "L1", "0", "/" + catalogue_.folderPath(current->parentId));
    const std::vector<const CatalogueEntry*> entries =
        pattern != nullptr ? catalogue_.search(folder, *pattern) : catalogue_.children(folder);
    for (const CatalogueEntry* entry : entries) {
        const std::string parentPath = "/" + catalogue_.folderPath(entry->parentId);
        fileElement(entry->id, entry->name, entry->folder ? "0" : std::to_string(entry->size),
                    entry->folder ? "00" : "10", entry->price, parentPath);
    }
    text += "</resp></zekCom>";
    return Answer{text, true};
}

SupportServer::Answer SupportServer::answerGetFile(const std::string& fileId) {
    const CatalogueEntry* entry = catalogue_.find(fileId);
    if (entry == nullptr || entry->folder) return Answer{"0\r\nFile not found||\r\n"};
    // The status block announces the whole file, also when the short-body fault cuts it.
    return Answer{fileStatusBlock(entry->size), false, entry};
}

}  // namespace simserver
