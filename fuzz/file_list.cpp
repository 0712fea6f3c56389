// The file list reader over any text; every entry it hands on is classified.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "server/server_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    server::ServerClient client;
    client.session.requestId = "4821";  // the id the seed answers carry
    int entries = 0;
    (void)client.parseFileList(std::string(reinterpret_cast<const char*>(data), size),
                               [&entries](std::unique_ptr<server::FileInfo> entry, int, void*) {
                                   int subKind = 0;
                                   (void)server::classifyFileType(entry.get(), &subKind);
                                   return ++entries < 10000 ? 1 : 0;
                               });
    return 0;
}
