// The records, session values and XML documents that the updater exchanges with the support server. The
// values themselves live in a ServerClient (server/server_client.h); these are their types and the parts of
// the documents that need no state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace server {

// The identity of the connected box as the window shows it and as every request sends it.
struct DeviceInfo {
    std::string pid;
    std::string serial;
    std::string date;
    std::string reseller;
    std::string fwVersion;
};

// What the user types into the registration dialog.
struct UserInfo {
    std::string userName;
    std::string userMail;
    std::string userPassword;
    std::string userCountry;  // ISO 3166-1 alpha-2 code
};

// The server endpoint.
struct Endpoint {
    std::string host;
    std::int32_t port = 80;
    std::string requestPath;  // may carry a query ("?nocrypt=1", "&debugmode=1")
    std::string hostHeader;   // Host header of the hand-built download request
};

// One entry of the server's catalogue of files and folders.
struct FileInfo {
    std::string fileId;
    std::string name = "<>";
    std::string size = "<>";
    std::string type = "10";
    std::string price = "0";
    std::string path = "/";
};

// The values of one server connection that tie requests and answers together.
struct SessionValues {
    std::string requestId = "0";
    std::string serverKey = "0";
    std::string selectedFileId;
    std::string currentFolderId;
    std::string location;
    std::string credit;
    bool authenticated = false;
    bool blacklisted = false;
    bool cryptEnabled = true;
};

// The support server's endpoint: support host, port and script path.
Endpoint defaultEndpoint();

enum RequestKind : int {
    kRequestAuth = 1,
    kRequestRegister = 2,
    kRequestFileList = 3,
    kRequestGetFile = 4,
    kRequestFileList2 = 5,
    kRequestGetFile2 = 6,
    kRequestSearch = 7,
};

inline constexpr const char* kDefaultRequestPath = "/support/api_support.php";

std::string documentHead();
std::string documentTail();

// A fresh four-digit request id (1000..9999; 2000..2999 twice as likely).
std::string makeRequestId();

// Attribute value with the five XML special characters replaced by their entities.
std::string escapeAttribute(const std::string& value);

// Status of an AUTH or REGISTER answer.
enum class AuthAnswer : int {
    syncError = -1,
    unknown = 0,
    ko = 1,
    ok = 2,
    blacklist = 3,
    registerOk = 4,
    registerError = 5,
    registerAlready = 6,
};

// How the reading of a FILELIST or SEARCH answer ended.
enum class FileListResult : int {
    syncError = -1,
    done = 7,
    unusable = 8,
};

// Receives every catalogue entry and owns it from then on, with the mode and list view passed through;
// returns non-zero to go on, 0 to stop the walk.
using RowCallback = std::function<int(std::unique_ptr<FileInfo> entry, int mode, void* listView)>;

enum FileClass : int {
    kFileClassUnknown = 0,
    kFileClassFile = 1,
    kFileClassFolder = 2,
    kFileClassLink = 3,
};
enum LinkKind : int { kLinkNone = 0, kLinkKind4 = 4, kLinkUp = 5 };

[[nodiscard]] int classifyFileType(const FileInfo* entry, int* subKind = nullptr);

}  // namespace server
