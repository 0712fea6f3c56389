// The real backend's framing against a fake hidapi: what goes to hid_write, where hid_read_timeout's bytes
// land, time-outs and hidapi's error texts. Needs no box.
#include <gtest/gtest.h>

#include "fake_hidapi.h"
#include "hid/hidapi_backend.h"
#include "support/box_results.h"

namespace {

class HidapiFraming : public ::testing::Test {
protected:
    void SetUp() override {
        fakehid::reset();
        fakehid::state().openable = {"/dev/hidraw3"};
    }
    hid::Handle openBox(hid::HidapiBackend& backend) {
        hid::Handle handle = hid::kNoHandle;
        EXPECT_EQ(backend.open("/dev/hidraw3", hid::Access::write, handle), 0);
        return handle;
    }
};

TEST_F(HidapiFraming, ListsInterfacesByPathWithTheirHardwareIds) {
    fakehid::state().listed = {{"/dev/hidraw7", 0x046D, 0xC52B, 0x1201},
                               {"/dev/hidraw3", 0x2E4B, 0x0001, 0x0100}};
    hid::HidapiBackend backend;
    const auto interfaces = backend.enumerate();
    ASSERT_EQ(interfaces.size(), 2u);
    EXPECT_EQ(interfaces[0].path, "/dev/hidraw3");
    EXPECT_EQ(interfaces[0].hardwareId, "HID\\VID_2E4B&PID_0001&REV_0100");
    EXPECT_EQ(interfaces[1].hardwareId, "HID\\VID_046D&PID_C52B&REV_1201");
}

TEST_F(HidapiFraming, WritesAllSixtyFiveBytesWithReportIdZero) {
    hid::HidapiBackend backend;
    const hid::Handle handle = openBox(backend);
    hid::Report frame{};
    frame[1] = 0x05;
    frame[64] = 0xAB;
    ASSERT_EQ(backend.write(handle, frame), 0);
    ASSERT_EQ(fakehid::state().written.size(), 1u);
    const auto& sent = fakehid::state().written[0];
    ASSERT_EQ(sent.size(), 65u);
    EXPECT_EQ(sent[0], 0) << "report identifier";
    EXPECT_EQ(sent[1], 0x05);
    EXPECT_EQ(sent[64], 0xAB);
}

TEST_F(HidapiFraming, ReadsSixtyFourBytesIntoBytesOneToSixtyFour) {
    hid::HidapiBackend backend;
    const hid::Handle handle = openBox(backend);
    std::vector<unsigned char> answer(64, 0);
    answer[0] = 0x01;   // the command code: frame byte 1
    answer[63] = 0x77;  // frame byte 64
    fakehid::state().nextRead = answer;
    hid::Report report;
    report.fill(0xEE);
    ASSERT_EQ(backend.read(handle, report, 250), hid::ReadStatus::ok);
    EXPECT_EQ(fakehid::state().lastReadLength, 64u);
    EXPECT_EQ(fakehid::state().lastReadTimeout, 250);
    EXPECT_EQ(report[0], 0);
    EXPECT_EQ(report[1], 0x01);
    EXPECT_EQ(report[64], 0x77);
}

TEST_F(HidapiFraming, TimeOutsAndErrorsCarryHidapisText) {
    struct Case {
        const char* name;
        int writeResult, readResult;
        int expectWrite;
        hid::ReadStatus expectRead;
    };
    const Case cases[] = {
        {"all good", -2, -2, 0, hid::ReadStatus::ok},
        {"nothing within the time-out", -2, 0, 0, hid::ReadStatus::timeout},
        {"failed transfers", -1, -1, EIO, hid::ReadStatus::error},
        {"short write", 10, -2, EIO, hid::ReadStatus::ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        fakehid::state().writeResult = c.writeResult;
        fakehid::state().readResult = c.readResult;
        fakehid::state().nextRead.assign(64, 1);
        fakehid::state().deviceError = L"Input/output error";
        hid::HidapiBackend backend;
        const hid::Handle handle = openBox(backend);
        EXPECT_EQ(backend.write(handle, hid::Report{}), c.expectWrite);
        hid::Report report{};
        EXPECT_EQ(backend.read(handle, report, 5), c.expectRead);
        const bool failed = c.expectWrite != 0 || c.expectRead == hid::ReadStatus::error;
        EXPECT_EQ(backend.lastError(), failed ? "Input/output error" : "");
    }

    hid::HidapiBackend backend;
    fakehid::state().globalError = L"Permission denied";
    hid::Handle handle = hid::kNoHandle;
    EXPECT_NE(backend.open("/dev/hidraw9", hid::Access::read, handle), 0);
    EXPECT_EQ(handle, hid::kNoHandle);
    EXPECT_EQ(backend.lastError(), "Permission denied");
    EXPECT_NE(backend.write(42, hid::Report{}), 0) << "an unknown handle";
}

TEST_F(HidapiFraming, ClosesWhatItOpened) {
    {
        hid::HidapiBackend backend;
        const hid::Handle handle = openBox(backend);
        openBox(backend);
        backend.close(handle);
        EXPECT_EQ(fakehid::state().closed, 1);
    }
    EXPECT_EQ(fakehid::state().closed, 2) << "the backend closes the rest when it goes";
}

}  // namespace
