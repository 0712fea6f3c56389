// A firmware container downloaded into memory is checked against the server's status block before it
// can reach the programming flow.
#include <gtest/gtest.h>

#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"

namespace app::testing {
namespace {

class DownloadCheck : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("good");
        connectTick();
        ASSERT_TRUE(enabled(Control::updateButton));
        logic().onUpdate();
        choose("AK02");
    }
};

TEST_F(DownloadCheck, RefusedOrShortContainersAreNeverProgrammed) {
    struct Case {
        const char* name;
        sim::ServerFaults faults;
        const char* line;
    };
    sim::ServerFaults refused, shortBody, status500;
    refused.replyBody = "0\r\nFile not found||\r\n";
    shortBody.shortBodyBytes = 40;  // the block still announces the whole file
    status500.httpStatus = 500;
    const Case cases[] = {
        {"refused", refused, "Error: File not found"},
        {"short body", shortBody, "Error: File is corrupt"},
        {"HTTP 500", status500, "Error requesting file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setFaults(c.faults);
        view.clearCalls();
        choose("ak02_fw_1.3.hex");
        ASSERT_TRUE(waitIdle());
        EXPECT_TRUE(logged(c.line));
        EXPECT_FALSE(logged("Download success"));
        EXPECT_TRUE(visible(Control::firmwareDialog)) << "the dialog stays open";
        EXPECT_EQ(box->counts(0).erase, 0) << "the box was not touched";
        EXPECT_EQ(box->counts(0).programData, 0);
    }
}

}  // namespace
}  // namespace app::testing
