// The trace decorator over any backend: one "> " line per written report, one "< " line per report read.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "hid/tracing_backend.h"
#include "support/box_results.h"
#include "support/temp_dir.h"

namespace {

// A backend that answers every write with the written report, its byte 1 plus 0x80.
class EchoBackend final : public hid::Backend {
public:
    std::vector<hid::DeviceInterface> enumerate() override {
        return {{"HID\\VID_2E4B&PID_0001&REV_0100", "echo"}};
    }
    int open(const std::string&, hid::Access, hid::Handle& handle) override {
        handle = 1;
        return 0;
    }
    int write(hid::Handle, const hid::Report& report) override {
        if (failWrites) return 5;
        pending = report;
        (*pending)[1] = static_cast<std::uint8_t>(report[1] + 0x80);
        return 0;
    }
    hid::ReadStatus read(hid::Handle, hid::Report& report, int) override {
        if (!pending) return hid::ReadStatus::timeout;
        report = *pending;
        pending.reset();
        return hid::ReadStatus::ok;
    }
    void close(hid::Handle) override {}

    bool failWrites = false;
    std::optional<hid::Report> pending;
};

TEST(TracingBackend, TracesWhatWentOutAndWhatCameBack) {
    const testsupport::TempDir folder;
    const std::string file = folder.file("trace.txt");
    auto inner = std::make_shared<EchoBackend>();
    auto tracing = hid::TracingBackend::open(inner, file);
    ASSERT_TRUE(tracing);
    EXPECT_EQ(tracing->enumerate().size(), 1u);
    hid::Handle handle = hid::kNoHandle;
    ASSERT_EQ(tracing->open("echo", hid::Access::write, handle), 0);
    hid::Report query{};
    query[1] = 0x01;
    query[64] = 0xA5;
    ASSERT_EQ(tracing->write(handle, query), 0);
    hid::Report answer{};
    ASSERT_EQ(tracing->read(handle, answer, 10), hid::ReadStatus::ok);
    EXPECT_EQ(tracing->read(handle, answer, 10), hid::ReadStatus::timeout) << "not traced";
    inner->failWrites = true;
    EXPECT_NE(tracing->write(handle, query), 0) << "not traced";
    tracing.reset();

    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "> 0001" + std::string(124, '0') + "a5");
    EXPECT_EQ(lines[1], "< 0081" + std::string(124, '0') + "a5");
    EXPECT_FALSE(hid::TracingBackend::open(inner, folder.file("no/such/folder/trace.txt")));
}

}  // namespace
