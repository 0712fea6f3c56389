#include "server/documents.h"

#include <openssl/rand.h>
#include <tinyxml2.h>

#include <cstring>
#include <random>

#include "arvex/config.h"
#include "server/answer_reader.h"
#include "server/server_client.h"

namespace server {

Endpoint defaultEndpoint() {
    Endpoint endpoint;
    endpoint.host = arvex::config::kSupportHost;
    endpoint.hostHeader = arvex::config::kSupportHost;
    endpoint.port = arvex::config::kSupportPort;
    endpoint.requestPath = kDefaultRequestPath;
    return endpoint;
}

std::string documentHead() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><zekCom>";
}

std::string documentTail() {
    return "</zekCom>";
}

namespace {

std::uint32_t randomWord() {
    std::uint32_t value = 0;
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&value), sizeof value) != 1) {
        // Without OpenSSL's generator the system's still gives unpredictable-enough ids (and keeps no
        // state that two clients on two threads would share).
        std::random_device fallback;
        value = static_cast<std::uint32_t>(fallback());
    }
    return value;
}

// Only the three characters that would break a double-quoted attribute are escaped: a document without
// them goes out byte for byte as the server has always received it.
std::string escapeAttributeImpl(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Builds "<cmd type=\"WORD\" a=\"1\" b=\"2\"" and leaves the closing to the caller.
class CommandWriter {
public:
    CommandWriter(const char* word, SessionValues& session, const DeviceInfo& device)
        : session_(session), device_(device), text_(std::string("<cmd type=\"") + word + "\"") {}
    CommandWriter& attribute(const char* name, const std::string& value) {
        text_ += ' ';
        text_ += name;
        text_ += "=\"";
        text_ += escapeAttributeImpl(value);
        text_ += '"';
        return *this;
    }
    CommandWriter& newId() {
        session_.requestId = makeRequestId();
        return attribute("id", session_.requestId);
    }
    CommandWriter& device() {
        return attribute("pid", device_.pid)
            .attribute("serial", device_.serial)
            .attribute("reseller", device_.reseller)
            .attribute("date", device_.date);
    }
    std::string close(const char* closing) { return text_ + closing + "</cmd>"; }

private:
    SessionValues& session_;
    const DeviceInfo& device_;
    std::string text_;
};

}  // namespace

std::string escapeAttribute(const std::string& value) {
    return escapeAttributeImpl(value);
}

std::string makeRequestId() {
    std::uint32_t id = randomWord() % 10000;
    if (id < 1000) id += 2000;
    return std::to_string(id);
}

std::string ServerClient::buildAuthCommand() {
    return CommandWriter("AUTH", session, device).newId().device().close(">");
}

std::string ServerClient::buildGetFileCommand() {
    return CommandWriter("GETFILE", session, device)
        .newId()
        .attribute("serverkey", session.serverKey)
        .attribute("fileid", session.selectedFileId)
        .device()
        .close(">");
}

std::string ServerClient::buildFileListCommand() {
    return CommandWriter("FILELIST", session, device)
        .newId()
        .attribute("serverkey", session.serverKey)
        .attribute("folderid", session.currentFolderId)
        .device()
        .close(">");
}

std::string ServerClient::buildSearchCommand(const std::string& pattern) {
    return CommandWriter("SEARCH", session, device)
        .newId()
        .attribute("serverkey", session.serverKey)
        .attribute("folderid", session.currentFolderId)
        .attribute("pattern", pattern)
        .device()
        .close(">");
}

std::string ServerClient::buildRegisterCommand() {
    return CommandWriter("REGISTER", session, device)
        .newId()
        .attribute("serverkey", session.serverKey)
        .attribute("rname", user.userName)
        .attribute("rmail", user.userMail)
        .attribute("rpw", user.userPassword)
        .attribute("rcountry", user.userCountry)
        .attribute("rpid", device.pid)
        .attribute("rserial", device.serial)
        .attribute("rres", device.reseller)
        .attribute("rdate", device.date)
        .close(" >");
}

namespace {

// Condensed white space, as the answers were always read.
struct AnswerDocument {
    tinyxml2::XMLDocument document{true, tinyxml2::COLLAPSE_WHITESPACE};
    const tinyxml2::XMLElement* resp = nullptr;
};

enum class RootCheck { ok, noRoot, noResp };

RootCheck openAnswer(const std::string& answer, AnswerDocument& out, const ServerClient& client) {
    const tinyxml2::XMLElement* root = readFirstZekCom(answer, out.document);
    if (root == nullptr) {
        client.logError("Error loading data");
        return RootCheck::noRoot;
    }
    out.resp = root->FirstChildElement("resp");
    if (out.resp == nullptr) {
        client.logError("Data error: Root node fault");
        return RootCheck::noResp;
    }
    return RootCheck::ok;
}

std::string statusText(const tinyxml2::XMLElement* resp) {
    const tinyxml2::XMLNode* first = resp->FirstChild();
    if (first == nullptr || first->ToText() == nullptr) return {};
    const char* value = first->Value();
    return value != nullptr ? value : "";
}

}  // namespace

AuthAnswer ServerClient::parseAuthAnswer(const std::string& answer) {
    session.serverKey = "0";
    AnswerDocument doc;
    if (openAnswer(answer, doc, *this) != RootCheck::ok) return AuthAnswer::unknown;
    const char* id = doc.resp->Attribute("id");
    if (id == nullptr) {
        logError("Error: data sync-i null");
        return AuthAnswer::syncError;
    }
    if (session.requestId != id) {
        logError("Error: data-i sync");
        return AuthAnswer::syncError;
    }
    const char* key = doc.resp->Attribute("serverkey");
    if (key == nullptr) {
        logError("Error: data sync-s null");
        return AuthAnswer::syncError;
    }
    session.serverKey = key;

    const std::string status = statusText(doc.resp);
    if (status == "AUTH_OK") {
        session.authenticated = true;
        return AuthAnswer::ok;
    }
    if (status == "BLACKLIST") {
        session.blacklisted = true;
        return AuthAnswer::blacklist;
    }
    if (status == "AUTH_KO") return AuthAnswer::ko;
    if (status == "REGISTER_OK") {
        session.authenticated = true;
        return AuthAnswer::registerOk;
    }
    if (status.rfind("REG_ERROR", 0) == 0) return AuthAnswer::registerError;
    if (status == "REGISTER_ALREADY") return AuthAnswer::registerAlready;
    return AuthAnswer::unknown;
}

FileListResult ServerClient::parseFileList(const std::string& answer, const RowCallback& rowCallback,
                                           int mode, void* listView) {
    session.location.clear();
    AnswerDocument doc;
    if (openAnswer(answer, doc, *this) != RootCheck::ok) return FileListResult::unusable;
    const char* id = doc.resp->Attribute("id");
    if (id == nullptr) {
        logError("Error: data sync null");
        return FileListResult::syncError;
    }
    if (session.requestId != id) {
        logError("Error: data sync");
        return FileListResult::syncError;
    }
    if (const char* key = doc.resp->Attribute("serverkey")) session.serverKey = key;
    if (const char* credit = doc.resp->Attribute("cred")) session.credit = credit;
    if (const tinyxml2::XMLElement* loc = doc.resp->FirstChildElement("loc")) {
        if (const char* p = loc->Attribute("p")) session.location = p;
    }

    for (const tinyxml2::XMLElement* file = doc.resp->FirstChildElement("file"); file != nullptr;
         file = file->NextSiblingElement("file")) {
        const char* fileId = file->Attribute("fileid");
        if (fileId == nullptr) continue;
        auto entry = std::make_unique<FileInfo>();
        entry->fileId = fileId;
        const std::pair<const char*, std::string*> fields[] = {{"name", &entry->name},
                                                               {"size", &entry->size},
                                                               {"type", &entry->type},
                                                               {"price", &entry->price},
                                                               {"path", &entry->path}};
        for (const auto& [name, field] : fields)
            if (const char* value = file->Attribute(name)) *field = value;
        if (rowCallback && rowCallback(std::move(entry), mode, listView) == 0) break;
    }
    return FileListResult::done;
}

int classifyFileType(const FileInfo* entry, int* subKind) {
    if (subKind != nullptr) *subKind = kLinkNone;
    if (entry == nullptr || entry->type.size() < 2) return kFileClassUnknown;
    switch (entry->type[0]) {
        case '1':
            return kFileClassFile;
        case '0':
            return kFileClassFolder;
        case 'L':
            if (subKind != nullptr) {
                if (entry->type[1] == '0') *subKind = kLinkKind4;
                if (entry->type[1] == '1') *subKind = kLinkUp;
            }
            return kFileClassLink;
        default:
            return kFileClassUnknown;
    }
}

}  // namespace server
