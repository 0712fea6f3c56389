// The server layer's results in a failed expectation: their names' numbers, as the log lines show them,
// instead of the object bytes that gtest prints for a scoped enum.
#pragma once

#include <ostream>

#include "base/result.h"
#include "server/documents.h"
#include "server/envelope.h"
#include "server/raw_download.h"
#include "server/transport.h"

namespace server {

inline void PrintTo(RequestResult result, std::ostream* out) {
    *out << "RequestResult " << base::code(result);
}
inline void PrintTo(RawDownloadResult result, std::ostream* out) {
    *out << "RawDownloadResult " << base::code(result);
}
inline void PrintTo(const RequestOutcome& outcome, std::ostream* out) {
    *out << (outcome.rawPath ? "RawDownloadResult " : "RequestResult ") << outcome.code();
}
inline void PrintTo(WrapResult result, std::ostream* out) {
    *out << "WrapResult " << base::code(result);
}
inline void PrintTo(UnwrapResult result, std::ostream* out) {
    *out << "UnwrapResult " << base::code(result);
}
inline void PrintTo(AuthAnswer answer, std::ostream* out) {
    *out << "AuthAnswer " << base::code(answer);
}
inline void PrintTo(FileListResult result, std::ostream* out) {
    *out << "FileListResult " << base::code(result);
}

}  // namespace server
