#include "server/server_client.h"

#include <utility>

namespace server {

ServerClient::ServerClient() {
    setDefaults();
}

ServerClient::ServerClient(LogSink log) : log_(std::move(log)) {
    setDefaults();
}

void ServerClient::setDefaults() {
    endpoint = defaultEndpoint();
    session.cryptEnabled = true;
}

void ServerClient::logError(const std::string& text) const {
    if (log_) log_(1, text, 0, 0);
}

void ServerClient::logDebug(const std::string& text) const {
    if (log_) log_(8, text, 0, 0);
}

}  // namespace server
