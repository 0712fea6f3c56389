// The fault campaign: the whole update road of the window logic (list, download, program both targets of
// an AK03, the final commands) against the simulated box and the stand-in server, with one fault per case.
// Each road ends with its specified line, no success line and the panel closed; a second road without the
// fault then programs the box completely.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "bootloader/settings.h"
#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"

namespace app::testing {
namespace {

using sim::SampleImageId;

// Where the fault is armed: before the catalogue is listed, or once it is listed and before the download
// (the box's report and answer counts start there).
enum class Point { kList, kDownload };

struct Fault {
    std::string name;
    Point point = Point::kDownload;
    std::function<void(sim::SimBackend&)> box;       // null: the box behaves
    std::function<void(sim::ServerFaults&)> server;  // null: the server behaves
    std::string line;                                // the line the road ends with
    bool programmedBeforeFault = false;              // the images were complete when the fault hit
};

// Test listings name the case, not its bytes.
void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

// Host reports of the AK03 road from the download on: 1-2 erase and 3 query of target 0, 4-89 its data,
// 90 its end; 91-237 the same for target 1 (nested); 238-241 the final commands (0x29, 0x09, 0x32, 0x12).
std::vector<Fault> faults() {
    const auto box = [](std::function<void(sim::SimBackend&)> f) { return f; };
    const auto server = [](std::function<void(sim::ServerFaults&)> f) { return f; };
    const std::string failed = "Error: Operation failed";
    // target 1 is programmed nested in target 0's end event: its failure line is indented one step
    const std::string nestedFailed = "  Error: Operation failed";
    return {
        {"AnswerLostErasingTarget0", Point::kDownload, box([](auto& b) { b.dropNthAnswer(1); }), {}, failed},
        {"AnswerLostErasingTarget1",
         Point::kDownload,
         box([](auto& b) { b.dropNthAnswer(2); }),
         {},
         nestedFailed},
        {"UnpluggedDuringErase", Point::kDownload, box([](auto& b) { b.unplugAfterReports(1); }), {}, failed},
        {"UnpluggedProgrammingTarget0",
         Point::kDownload,
         box([](auto& b) { b.unplugAfterReports(40); }),
         {},
         failed},
        {"UnpluggedProgrammingTarget1",
         Point::kDownload,
         box([](auto& b) { b.unplugAfterReports(120); }),
         {},
         nestedFailed},
        {"UnpluggedDuringFinalCommands",
         Point::kDownload,
         box([](auto& b) { b.unplugAfterReports(238); }),
         {},
         failed,
         true},
        {"BoxFallsSilent", Point::kDownload, box([](auto& b) { b.stopAnswering(true); }), {}, failed},
        {"ServerRefusesTheConnectionAtList",
         Point::kList,
         {},
         server([](auto& f) { f.refuseConnections = true; }),
         "Error connecting to server [42]"},
        {"ServerRefusesTheConnectionAtDownload",
         Point::kDownload,
         {},
         server([](auto& f) { f.refuseConnections = true; }),
         "Error requesting file"},
        {"ServerDropsTheConnectionAtList",
         Point::kList,
         {},
         server([](auto& f) { f.dropConnections = true; }),
         "Error connecting to server [42]"},
        {"ServerDropsTheConnectionAtDownload",
         Point::kDownload,
         {},
         server([](auto& f) { f.dropConnections = true; }),
         "Error requesting file"},
        {"Server500AtList",
         Point::kList,
         {},
         server([](auto& f) { f.httpStatus = 500; }),
         "Error connecting to server [42]"},
        {"Server500AtDownload",
         Point::kDownload,
         {},
         server([](auto& f) { f.httpStatus = 500; }),
         "Error requesting file"},
        {"TruncatedContainer",
         Point::kDownload,
         {},
         server([](auto& f) { f.shortBodyBytes = 40; }),
         "Error: File is corrupt"},
        {"FileRefused",
         Point::kDownload,
         {},
         server([](auto& f) { f.replyBody = "0\r\nFile not found||\r\n"; }),
         "Error: File not found"},
        {"BrokenEnvelopeAtList",
         Point::kList,
         {},
         server([](auto& f) { f.corruptEnvelope = true; }),
         "Error loading data"},
    };
}

class FaultCampaign : public RoadTest, public ::testing::WithParamInterface<Fault> {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("ak03");
        // The simulated box answers at once: bounds that only have to outlast it.
        window->bootLoader().transferSettings().answerTimeoutMs = 200;
        window->bootLoader().transferSettings().eraseAnswerTimeoutMs = 300;
        connectTick();
        ASSERT_TRUE(enabled(Control::updateButton));
    }

    // Lists the catalogue (the AK03 folder, or the folder listed last) and picks the container.
    void walk(const Fault* fault) {
        if (fault != nullptr && fault->point == Point::kList) arm(*fault);
        logic().onUpdate();
        if (!visible(Control::firmwareDialog)) return;
        const auto rows = view.rows();
        if (std::any_of(rows.begin(), rows.end(), [](const ListRow& r) { return r.caption == "AK03"; }))
            choose("AK03");
        if (fault != nullptr && fault->point == Point::kDownload) arm(*fault);
        choose("ak03_fw_2.0.hex");
        ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    }

    void arm(const Fault& fault) {
        if (fault.box) fault.box(*box);
        if (fault.server) {
            sim::ServerFaults faults;
            fault.server(faults);
            server.setFaults(faults);
        }
    }

    void mend() {
        server.setFaults({});
        box->dropNthAnswer(0);
        box->unplugAfterReports(0);
        box->stopAnswering(false);
        box->plug();
    }

    bool programmed() const {
        for (auto id : {SampleImageId::ak03Target0, SampleImageId::ak03Target1}) {
            const auto image = sim::sampleImage(id);
            const int target = id == SampleImageId::ak03Target0 ? 0 : 1;
            if (box->memory(target, image.address, image.bytes.size()) != image.bytes) return false;
        }
        return true;
    }

    // The index of the last log entry with this text, -1 when there is none.
    long lastIndexOf(const std::string& entry) const {
        const auto calls = view.calls();
        for (long i = static_cast<long>(calls.size()) - 1; i >= 0; --i)
            if (calls[static_cast<std::size_t>(i)] == "appendLog(" + entry + ")") return i;
        return -1;
    }
};

TEST_P(FaultCampaign, EndsCleanlyAndASecondRoadProgramsTheBox) {
    const Fault& fault = GetParam();
    view.clearCalls();
    walk(&fault);
    EXPECT_TRUE(logged(fault.line)) << ::testing::PrintToString(view.logLines());
    const long success = lastIndexOf("Firmware has been updated successfully");
    if (fault.programmedBeforeFault)
        EXPECT_LT(success, lastIndexOf(fault.line)) << "no success line after the failure";
    else
        EXPECT_EQ(success, -1);
    EXPECT_FALSE(visible(Control::updatingDialog));
    EXPECT_EQ(logic().pendingImages(), 0);
    EXPECT_EQ(programmed(), fault.programmedBeforeFault);

    mend();
    if (visible(Control::firmwareDialog)) logic().onCancelFirmwareDialog();
    logic().onConnectTimer();  // an unplugged box is noticed here
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(reconnect());
    ASSERT_TRUE(enabled(Control::updateButton));
    view.clearCalls();
    walk(nullptr);
    EXPECT_TRUE(logged("Firmware has been updated successfully"));
    EXPECT_TRUE(logged("Completed"));
    EXPECT_FALSE(logged(fault.line));
    EXPECT_TRUE(programmed());
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultCampaign, ::testing::ValuesIn(faults()),
                         [](const ::testing::TestParamInfo<Fault>& param) { return param.param.name; });

}  // namespace
}  // namespace app::testing
