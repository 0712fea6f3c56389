#include "hid/tracing_backend.h"

#include "base/hex.h"

namespace hid {

std::string traceLine(char direction, const Report& report) {
    std::string line;
    line.reserve(2 + 2 * kReportSize);
    line += direction;
    line += ' ';
    for (const std::uint8_t byte : report) base::appendHexByte(line, byte, base::HexCase::lower);
    return line;
}

std::shared_ptr<TracingBackend> TracingBackend::open(std::shared_ptr<Backend> inner,
                                                     const std::string& file) {
    if (!inner) return nullptr;
    std::FILE* out = std::fopen(file.c_str(), "a");
    if (out == nullptr) return nullptr;
    return std::shared_ptr<TracingBackend>(new TracingBackend(std::move(inner), out));
}

TracingBackend::~TracingBackend() {
    std::fclose(file_);
}

int TracingBackend::write(Handle handle, const Report& report) {
    const int result = inner_->write(handle, report);
    if (result == 0) trace('>', report);
    return result;
}

ReadStatus TracingBackend::read(Handle handle, Report& report, int timeoutMs) {
    const ReadStatus status = inner_->read(handle, report, timeoutMs);
    if (status == ReadStatus::ok) trace('<', report);
    return status;
}

void TracingBackend::trace(char direction, const Report& report) {
    const std::string line = traceLine(direction, report) + '\n';
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);  // a trace of a run that hangs or crashes is the one we need most
}

}  // namespace hid
