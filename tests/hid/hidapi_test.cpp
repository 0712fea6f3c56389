// The real backend on this machine's hidraw nodes; the box part skips itself when no box is plugged in.
#include <gtest/gtest.h>

#include <algorithm>

#include "hid/discovery.h"
#include "hid/hidapi_backend.h"
#include "support/box_results.h"

namespace {

TEST(HidapiBackend, ListsInterfacesWithHardwareIdsAndQueriesAPluggedInBox) {
    hid::HidapiBackend backend;
    const auto interfaces = backend.enumerate();
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        EXPECT_EQ(interfaces[i].hardwareId.rfind("HID\\VID_", 0), 0u) << interfaces[i].hardwareId;
        if (i > 0) {
            EXPECT_LE(interfaces[i - 1].path, interfaces[i].path) << "a stable order";
        }
    }
    hid::Handle handle = hid::kNoHandle;
    EXPECT_NE(backend.open("/dev/no-such-hidraw", hid::Access::read, handle), 0);
    EXPECT_EQ(handle, hid::kNoHandle);

    const auto box = std::find_if(interfaces.begin(), interfaces.end(), [](const hid::DeviceInterface& d) {
        return hid::matchesBox(d.hardwareId);
    });
    if (box == interfaces.end()) GTEST_SKIP() << "no box plugged in";
    hid::Handle writer = hid::kNoHandle, reader = hid::kNoHandle;
    ASSERT_EQ(backend.open(box->path, hid::Access::write, writer), 0)
        << "see README: Access to the box (udev)";
    ASSERT_EQ(backend.open(box->path, hid::Access::read, reader), 0);
    hid::Report query{};
    query[1] = 0x01;
    ASSERT_EQ(backend.write(writer, query), 0);
    hid::Report answer{};
    EXPECT_EQ(backend.read(reader, answer, 3000), hid::ReadStatus::ok);
    EXPECT_NE(answer[2], 0) << "packet data size";
    backend.close(writer);
    backend.close(reader);
}

}  // namespace
