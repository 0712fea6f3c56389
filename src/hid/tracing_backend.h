// A backend that passes everything to another one and writes each report that went to or came from the
// box to a trace file: "> " and the 65 bytes in hex for a write, "< " for a read, one line per report.
// A technician runs it against a real box to show us what the box answered.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "hid/backend.h"

namespace hid {

// "> 0001..." or "< 0001...": the direction, a blank and 130 lower-case hex digits.
std::string traceLine(char direction, const Report& report);

class TracingBackend final : public Backend {
public:
    // The trace is appended to; null from open() when the file cannot be opened.
    static std::shared_ptr<TracingBackend> open(std::shared_ptr<Backend> inner, const std::string& file);
    ~TracingBackend() override;

    std::uint32_t facilities() const override { return inner_->facilities(); }
    std::vector<DeviceInterface> enumerate() override { return inner_->enumerate(); }
    int open(const std::string& path, Access access, Handle& handle) override {
        return inner_->open(path, access, handle);
    }
    int write(Handle handle, const Report& report) override;
    ReadStatus read(Handle handle, Report& report, int timeoutMs) override;
    void close(Handle handle) override { inner_->close(handle); }
    [[nodiscard]] std::string lastError() const override { return inner_->lastError(); }

    const std::shared_ptr<Backend>& inner() const { return inner_; }

private:
    TracingBackend(std::shared_ptr<Backend> inner, std::FILE* file) : inner_(std::move(inner)), file_(file) {}
    void trace(char direction, const Report& report);

    std::shared_ptr<Backend> inner_;
    std::mutex mutex_;  // reads and writes come from several threads
    std::FILE* file_;
};

}  // namespace hid
