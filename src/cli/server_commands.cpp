// arvex-cli: the server commands login, list, download and register, against the support server given
// by --server (or the configured one).
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/download_outcome.h"
#include "app/identity_check.h"
#include "arvex/config.h"
#include "base/result.h"
#include "bootloader/session.h"
#include "catalogue/countries.h"
#include "catalogue/validators.h"
#include "cli/backend_choice.h"
#include "cli/commands.h"
#include "cli/server_endpoint.h"
#include "hid/discovery.h"
#include "server/documents.h"
#include "server/server_client.h"

namespace cli {

namespace {

using namespace server;

void printError(std::int32_t, const std::string& text, std::int32_t code, std::uint32_t) {
    if (code != 0)
        std::fprintf(stderr, "%s [%d]\n", text.c_str(), code);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

// "--name VALUE", "--name=VALUE" and bare words; unknown options are an error.
struct Arguments {
    std::map<std::string, std::string> values;
    std::vector<std::string> words;
    std::string error;
};

Arguments parseArguments(const std::vector<std::string>& arguments, const std::vector<std::string>& names) {
    Arguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word.size() < 2 || word[0] != '-') {
            parsed.words.push_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        bool known = false;
        for (const std::string& candidate : names) known = known || candidate == name;
        if (!known) {
            parsed.error = "unknown option '" + name + "'";
            return parsed;
        }
        if (equals != std::string::npos) {
            parsed.values[name] = word.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            parsed.values[name] = arguments[++i];
        } else {
            parsed.error = name + " needs a value";
            return parsed;
        }
    }
    return parsed;
}

// Points the client at --server HOST:PORT and switches sealing off for --no-crypt.
bool configureServer(const GlobalOptions& options, ServerClient& client) {
    if (options.server) {
        const auto endpoint = parseServerEndpoint(*options.server);
        if (!endpoint) {
            std::fprintf(stderr, "arvex-cli: --server wants HOST:PORT, not '%s'\n", options.server->c_str());
            return false;
        }
        client.endpoint.host = endpoint->host;
        client.endpoint.hostHeader = endpoint->host;
        client.endpoint.port = endpoint->port;
    }
    if (options.noCrypt) {
        client.session.cryptEnabled = false;
        client.endpoint.requestPath += "?nocrypt=1";
    }
    return true;
}

// The identity of the connected box (the simulated one with --simulate), checked as the window checks it.
ExitCode identityFromBox(const GlobalOptions& options, ServerClient& client) {
    const BackendChoice choice(options);
    if (!choice.ok()) {
        std::fprintf(stderr, "arvex-cli: %s\n", choice.error().c_str());
        return ExitCode::usage;
    }
    bootloader::BootLoader session(choice.backend());
    // A fresh session runs nothing, so no setting is refused; `connected` tells whether the box was found.
    (void)session.setIdentityKey(arvex::config::kIdentityKey.data(), arvex::config::kIdentityKey.size());
    const std::uint8_t onThisThread = 0;
    (void)session.setOptions(&onThisThread);
    (void)session.selectTarget(0);
    (void)session.connect();
    if (session.connected == 0) {
        std::fprintf(stderr,
                     "arvex-cli: no Arvex box found (USB %s); or give --identity PID,SERIAL,DATE,RESELLER\n",
                     hid::deviceMatchPattern);
        return ExitCode::noBox;
    }
    const bootloader::StartOutcome read = session.startOperation(bootloader::kOpReadIdentity);
    bootloader::BootLoaderField field;
    if (!read.ok() || session.readStatus != bootloader::IdentityReadStatus::done ||
        session.getField(0x100, &field) != bootloader::AccessResult::ok) {
        std::fputs("arvex-cli: reading the box's identity failed\n", stderr);
        return ExitCode::failed;
    }
    const app::CheckedIdentity checked =
        app::checkIdentity({field.reference, field.serial, field.date, field.reseller, field.firmwareVersion,
                            field.hardwareVersion});
    client.device = {checked.reference, checked.serial, checked.date, checked.reseller,
                     checked.firmwareVersion};
    return ExitCode::done;
}

// --identity PID,SERIAL,DATE,RESELLER, or else the box's own.
ExitCode identityFrom(const GlobalOptions& options, const Arguments& arguments, ServerClient& client) {
    const auto found = arguments.values.find("--identity");
    if (found == arguments.values.end()) return identityFromBox(options, client);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = found->second.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(found->second.substr(start, comma - start));
    fields.push_back(found->second.substr(start));
    if (fields.size() != 4) {
        std::fprintf(stderr, "arvex-cli: --identity wants four fields: PID,SERIAL,DATE,RESELLER, not '%s'\n",
                     found->second.c_str());
        return ExitCode::usage;
    }
    client.device = {fields[0], fields[1], fields[2], fields[3], ""};
    return ExitCode::done;
}

const char* authOutcome(AuthAnswer status) {
    switch (status) {
        case AuthAnswer::ok:
            return "box accepted by the server (AUTH_OK)";
        case AuthAnswer::ko:
            return "box not registered with the server (AUTH_KO): register it with 'arvex-cli register'";
        case AuthAnswer::blacklist:
            return "box blocked by the server (BLACKLIST): contact the reseller";
        case AuthAnswer::registerOk:
            return "product registered (REGISTER_OK)";
        case AuthAnswer::registerError:
            return "registration refused by the server (REG_ERROR)";
        case AuthAnswer::registerAlready:
            return "e-mail address already registered (REGISTER_ALREADY)";
        case AuthAnswer::syncError:
            return "the server's answer does not match the request";
        default:
            return "the server gave no usable answer";
    }
}

// AUTH for the identity; the reader's status, or nothing when the request itself failed (already said).
std::optional<AuthAnswer> authenticate(ServerClient& client) {
    std::string answer;
    const RequestResult result = client.requestSimple(kRequestAuth, answer, nullptr, true);
    if (result != RequestResult::ok) {
        std::fprintf(stderr, "Error connecting to server [%d]\n", base::code(result));
        return std::nullopt;
    }
    return client.parseAuthAnswer(answer);
}

// The exit code a login answer gives.
ExitCode authExitCode(AuthAnswer status) {
    switch (status) {
        case AuthAnswer::ok:
            return ExitCode::done;
        case AuthAnswer::ko:
            return ExitCode::notRegistered;
        case AuthAnswer::blacklist:
            return ExitCode::blocked;
        default:
            return ExitCode::failed;
    }
}

// Sets up the client, the identity and the login that list and download need; after a message, the code
// to end with.
ExitCode prepare(const char* command, const GlobalOptions& options, const Arguments& arguments,
                 bool needAccepted, ServerClient& client) {
    if (!arguments.error.empty()) return usageError(command, arguments.error);
    if (!configureServer(options, client)) return ExitCode::usage;
    if (const ExitCode identity = identityFrom(options, arguments, client); identity != ExitCode::done)
        return identity;
    const std::optional<AuthAnswer> status = authenticate(client);
    if (!status) return ExitCode::failed;
    if (needAccepted && *status != AuthAnswer::ok) {
        std::fprintf(stderr, "%s\n", authOutcome(*status));
        return authExitCode(*status);
    }
    return ExitCode::done;
}

ExitCode runLogin(const GlobalOptions& options, const std::vector<std::string>& words) {
    const Arguments arguments = parseArguments(words, {"--identity"});
    if (!arguments.error.empty()) return usageError("login", arguments.error);
    if (!arguments.words.empty())
        return usageError("login", "unexpected argument '" + arguments.words[0] + "'");
    ServerClient client(printError);
    if (!configureServer(options, client)) return ExitCode::usage;
    if (const ExitCode identity = identityFrom(options, arguments, client); identity != ExitCode::done)
        return identity;
    std::printf("box %s, serial %s: ", client.device.pid.c_str(), client.device.serial.c_str());
    const std::optional<AuthAnswer> status = authenticate(client);
    if (!status) {
        std::printf("no answer from %s:%d\n", client.endpoint.host.c_str(), client.endpoint.port);
        return ExitCode::failed;
    }
    std::printf("%s\n", authOutcome(*status));
    return authExitCode(*status);
}

const char* kindWord(const FileInfo& entry) {
    int subKind = 0;
    switch (classifyFileType(&entry, &subKind)) {
        case kFileClassFile:
            return "file";
        case kFileClassFolder:
            return "folder";
        case kFileClassLink:
            return subKind == kLinkUp ? "up" : "link";
        default:
            return "unknown";
    }
}

ExitCode runList(const GlobalOptions& options, const std::vector<std::string>& words) {
    const Arguments arguments = parseArguments(words, {"--identity", "--folder"});
    if (arguments.error.empty() && !arguments.words.empty())
        return usageError("list", "unexpected argument '" + arguments.words[0] + "'");
    ServerClient client(printError);
    if (const ExitCode ready = prepare("list", options, arguments, true, client); ready != ExitCode::done)
        return ready;
    const auto folder = arguments.values.find("--folder");
    client.session.currentFolderId = folder != arguments.values.end() ? folder->second : "0";
    std::string answer;
    const RequestResult request = client.requestSimple(kRequestFileList, answer, nullptr, true);
    if (request != RequestResult::ok) {
        std::fprintf(stderr, "Error connecting to server [%d]\n", base::code(request));
        return ExitCode::failed;
    }
    std::vector<FileInfo> rows;
    const FileListResult result =
        client.parseFileList(answer, [&](std::unique_ptr<FileInfo> entry, int, void*) {
            rows.push_back(*entry);
            return 1;
        });
    if (result != FileListResult::done) return ExitCode::failed;
    std::printf("/%s\n", client.session.location.c_str());
    if (rows.empty()) std::printf("No new updates.\n");
    for (const FileInfo& row : rows)
        std::printf("%6s  %-7s %-32s %10s  %s\n", row.fileId.c_str(), kindWord(row), row.name.c_str(),
                    classifyFileType(&row) == kFileClassFile ? row.size.c_str() : "", row.price.c_str());
    return ExitCode::done;
}

// The name the catalogue gives a file id, searched from the top folder; empty when it is not found.
std::string catalogueName(const std::string& fileId, ServerClient& client) {
    client.session.currentFolderId.assign(1, '0');
    const std::vector<std::string> pattern(1);
    std::string answer, name;
    if (!client.requestText(kRequestSearch, answer, &pattern, nullptr, true).ok()) return {};
    // Only the name is wanted: a failed walk leaves it empty.
    [[maybe_unused]] const FileListResult walked =
        client.parseFileList(answer, [&](std::unique_ptr<FileInfo> entry, int, void*) {
            if (entry->fileId != fileId) return 1;
            name = entry->name;
            return 0;
        });
    return name.find('/') == std::string::npos && name != "." && name != ".." ? name : std::string();
}

ExitCode runDownload(const GlobalOptions& options, const std::vector<std::string>& words) {
    const Arguments arguments = parseArguments(words, {"--identity", "-o"});
    if (arguments.error.empty() && arguments.words.size() != 1)
        return usageError("download", arguments.words.empty()
                                          ? std::string("FILE_ID is missing")
                                          : "unexpected argument '" + arguments.words[1] + "'");
    ServerClient client(printError);
    if (const ExitCode ready = prepare("download", options, arguments, true, client); ready != ExitCode::done)
        return ready;
    const std::string fileId = arguments.words.front();
    std::string target;
    if (const auto out = arguments.values.find("-o"); out != arguments.values.end()) target = out->second;
    if (target.empty()) target = catalogueName(fileId, client);
    if (target.empty()) target = "file-" + fileId + ".bin";

    client.session.selectedFileId = fileId;
    std::int64_t received = 0;
    ProgressSink sink;
    sink.onWork = [&](std::int64_t count) { received = count; };
    const RequestOutcome outcome = client.requestToFile(kRequestGetFile2, target, &sink, false);
    if (outcome.ok())
        std::printf("%s: %lld bytes in %s\n", app::downloadOutcome(0), static_cast<long long>(received),
                    target.c_str());
    else
        std::printf("%s [%d]\n", app::downloadOutcome(outcome.code()), outcome.code());
    return outcome.ok() ? ExitCode::done : ExitCode::failed;
}

// The first field that the registration form would refuse, as a sentence; empty when all are good.
std::string registrationFieldError(const std::string& name, const std::string& mail,
                                   const std::string& password, const std::string& country) {
    const std::pair<const char*, const std::string*> given[] = {
        {"--name", &name}, {"--mail", &mail}, {"--password", &password}, {"--country", &country}};
    for (const auto& [option, text] : given)
        if (text->empty()) return std::string(option) + " is missing";
    if (!catalogue::checkText(name, 1, 64))
        return "--name: 1 to 64 letters, digits, blanks or ! # $ & ( ) , - . : ; @ _";
    if (!catalogue::checkEmail(mail)) return "--mail: '" + mail + "' is not an e-mail address";
    if (!catalogue::checkText(password, 1, 64))
        return "--password: 1 to 64 letters, digits, blanks or ! # $ & ( ) , - . : ; @ _";
    if (std::find(catalogue::countryCodes.begin(), catalogue::countryCodes.end(), country) ==
        catalogue::countryCodes.end())
        return "--country: '" + country + "' is not a country code of the list (ES, DE, GB, ...)";
    return {};
}

ExitCode runRegister(const GlobalOptions& options, const std::vector<std::string>& words) {
    const Arguments arguments =
        parseArguments(words, {"--identity", "--name", "--mail", "--password", "--country"});
    auto value = [&](const char* name) {
        const auto found = arguments.values.find(name);
        return found != arguments.values.end() ? found->second : std::string();
    };
    if (arguments.error.empty()) {
        // The registration form's own rules, checked before anything is sent.
        if (const std::string wrong = registrationFieldError(value("--name"), value("--mail"),
                                                             value("--password"), value("--country"));
            !wrong.empty()) {
            return usageError("register", wrong);
        }
        if (!arguments.words.empty())
            return usageError("register", "unexpected argument '" + arguments.words[0] + "'");
    }
    ServerClient client(printError);
    if (const ExitCode ready = prepare("register", options, arguments, false, client);
        ready != ExitCode::done)
        return ready;
    client.user = {value("--name"), value("--mail"), value("--password"), value("--country")};
    std::string answer;
    const RequestResult request = client.requestSimple(kRequestRegister, answer, nullptr, true);
    if (request != RequestResult::ok) {
        std::fprintf(stderr, "Error connecting to server [%d]\n", base::code(request));
        return ExitCode::failed;
    }
    const AuthAnswer status = client.parseAuthAnswer(answer);
    std::printf("%s\n", authOutcome(status));
    return status == AuthAnswer::registerOk ? ExitCode::done : ExitCode::failed;
}

constexpr const char* kIdentityOption =
    "  --identity PID,SERIAL,DATE,RESELLER  use this identity instead of the box's own\n";

const Command kCommands[] = {
    {"login", "login [--identity PID,SERIAL,DATE,RESELLER]", "log the box in to the server", kIdentityOption,
     runLogin},
    {"list", "list [--folder ID] [--identity ...]", "list a folder of the server's catalogue",
     "  --folder ID       the folder to list (default: the top one)\n"
     "  --identity PID,SERIAL,DATE,RESELLER  use this identity instead of the box's own\n",
     runList},
    {"download", "download FILE_ID [-o FILE] [--identity ...]", "download a catalogue file",
     "  -o FILE           the file to write (default: the catalogue's name for it)\n"
     "  --identity PID,SERIAL,DATE,RESELLER  use this identity instead of the box's own\n",
     runDownload},
    {"register", "register --name N --mail M --password P --country CODE [--identity ...]",
     "register the product with the server",
     "  --name N          the owner's name\n"
     "  --mail M          the owner's e-mail address\n"
     "  --password P      the password for the support site\n"
     "  --country CODE    the country code (ES, DE, GB, ...)\n"
     "  --identity PID,SERIAL,DATE,RESELLER  use this identity instead of the box's own\n",
     runRegister},
};

}  // namespace

std::span<const Command> serverCommands() {
    return kCommands;
}

}  // namespace cli
