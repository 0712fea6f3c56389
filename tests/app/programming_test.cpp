// The programming flow against the simulated box: container cases, the final commands, Load firmware and
// Factory Settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "bootloader/settings.h"
#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"
#include "support/box_results.h"
#include "support/temp_dir.h"

namespace app::testing {
namespace {

using sim::SampleImageId;

int countOf(const std::vector<int>& commands, int command) {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

class Programming : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("good");
        connectTick();
        ASSERT_TRUE(logic().deviceConnected());
        box->clearHostFrames();
    }
    bool memoryHolds(SampleImageId id, int target) const {
        const auto image = sim::sampleImage(id);
        return box->memory(target, image.address, image.bytes.size()) == image.bytes;
    }
    std::uint8_t options() {
        std::uint8_t value = 0;
        EXPECT_EQ(window->bootLoader().getOptions(&value), bootloader::AccessResult::ok);
        return value;
    }
    bool fileExists(int index) {
        return std::filesystem::exists(logic().tempImagePaths()[static_cast<std::size_t>(index)]);
    }

    const std::string imageA = sim::sampleImage(SampleImageId::ak03Target0).hexText;
    const std::string imageB = sim::sampleImage(SampleImageId::ak03Target1).hexText;
};

TEST_F(Programming, BothImagesTheSecondNested) {
    ASSERT_EQ(logic().programContainer("1 RESET ERASE_USER_DATA\n:0000000aff\n" + imageA + ":0000000bff\n" +
                                       imageB),
              app::ContainerResult::split);
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_EQ(logic().containerKind(), 3);
    EXPECT_EQ(logic().pendingImages(), 0);
    EXPECT_EQ(testsupport::readBytes(logic().tempImagePaths()[0]), imageA);
    EXPECT_EQ(testsupport::readBytes(logic().tempImagePaths()[1]), imageB);
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target0, 0));
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target1, 1));
    const auto commands = commandsSent();
    EXPECT_EQ(countOf(commands, 0x29), 1);  // dual: both targets' user data, target 1 first
    EXPECT_EQ(countOf(commands, 0x09), 1);
    EXPECT_TRUE(logged("Completed"));
    EXPECT_FALSE(logic().deviceConnected());
    EXPECT_EQ(logic().log().depth(), 0);  // the nested programming's end event undid its indentation
}

TEST_F(Programming, OnlyImageBGoesToTarget1) {
    ASSERT_EQ(logic().programContainer("1 RESET only B\n:0000000bff\n" + imageB),
              app::ContainerResult::split);
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_EQ(logic().containerKind(), 2);
    EXPECT_FALSE(fileExists(0));
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target1, 1));
    const auto commands = commandsSent();
    EXPECT_EQ(countOf(commands, 0x32), 1);  // reset of target 1 only: dual cleared, target 1 selected
    EXPECT_EQ(countOf(commands, 0x12), 0);
    EXPECT_EQ(countOf(commands, 0x09) + countOf(commands, 0x29), 0);
}

TEST_F(Programming, WithoutTheWordsNoCommandIsSent) {
    ASSERT_EQ(logic().programContainer("1\n:0000000aff\n" + imageA), app::ContainerResult::split);
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target0, 0));
    const auto commands = commandsSent();
    for (int command : {0x09, 0x29, 0x12, 0x32}) EXPECT_EQ(countOf(commands, command), 0) << command;
    EXPECT_TRUE(logged("Reseting..."));
}

TEST_F(Programming, RefusedContainers) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t result;
        bool dataNotFound;
    };
    const Case cases[] = {
        {"upperCaseMarkers", "1\n:0000000AFF\n" + imageA, 32, true},
        {"firstCharacterTwo", "2\n:0000000aff\n" + imageA, 16, false},
        {"bBeforeA", "1 RESET\n:0000000bff\n" + imageB + ":0000000aff\n" + imageA, 34, false},
        {"short", "1", 2, false},
    };
    for (const Case& c : cases) {
        view.clearCalls();
        EXPECT_EQ(base::code(logic().programContainer(c.text)), c.result) << c.name;
        EXPECT_EQ(logged("Error, data not found"), c.dataNotFound) << c.name;
        EXPECT_FALSE(fileExists(0) || fileExists(1)) << c.name;
        EXPECT_FALSE(logic().operationRunning()) << c.name;
    }
    EXPECT_TRUE(commandsSent().empty());
}

// Image B passed the container's check but cannot be started when its turn comes: its file is gone.
// (A bad image B is refused with its container before image A is started, see image_check_test.cpp.)
TEST_F(Programming, SecondImageThatFailsIsReported) {
    box->setEraseMs(300);  // image A is still being programmed when its file goes
    ASSERT_EQ(logic().programContainer("1\n:0000000aff\n" + imageA + ":0000000bff\n" + imageB),
              app::ContainerResult::split);
    ASSERT_TRUE(std::filesystem::remove(logic().tempImagePaths()[1]));
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    const auto calls = view.calls();
    const auto errorLine = std::find(calls.begin(), calls.end(), "appendLog(Error opening file)");
    ASSERT_NE(errorLine, calls.end());
    EXPECT_GT(std::find(calls.begin(), calls.end(), "appendLog(Error programming [Dual] )"), errorLine);
    EXPECT_TRUE(logic().deviceConnected());  // no final steps: nothing was completed
    // nothing runs any more: the window is usable again, not locked behind "do not disconnect"
    EXPECT_FALSE(visible(Control::updatingDialog));
    EXPECT_TRUE(enabled(Control::mainPanel));
    EXPECT_EQ(logic().pendingImages(), 0);
    EXPECT_EQ(options(), logic().savedOptions());
}

// Each fault ends the programming with the failure line, the options restored, the panel closed and no
// success line; the line outlives the disconnect that follows; a second attempt programs the box whole.
TEST_F(Programming, FailedProgrammingEndsCleanlyAndCanBeRepeated) {
    window->bootLoader().transferSettings().answerTimeoutMs = 200;
    window->bootLoader().transferSettings().eraseAnswerTimeoutMs = 300;  // the simulated box erases at once
    using Step = std::function<void(sim::SimBackend&)>;
    const Step nothing = [](sim::SimBackend&) {};
    struct Case {
        const char* name;
        Step fault, mend;
    };
    const Case cases[] = {
        {"write fails", [](sim::SimBackend& b) { b.failNthWrite(3); }, nothing},
        {"unplugged while programming", [](sim::SimBackend& b) { b.unplugAfterReports(4); },
         [](sim::SimBackend& b) { b.plug(); }},
        {"erase answer lost", [](sim::SimBackend& b) { b.dropNthAnswer(1); }, nothing},
        {"silent box", [](sim::SimBackend& b) { b.stopAnswering(true); },
         [](sim::SimBackend& b) { b.stopAnswering(false); }},
    };
    const std::string container = "1 RESET\n:0000000aff\n" + imageA + ":0000000bff\n" + imageB;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.clearCalls();
        c.fault(*box);
        ASSERT_EQ(logic().programContainer(container), app::ContainerResult::split);
        ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
        EXPECT_TRUE(logged("Error: Operation failed"));
        EXPECT_FALSE(logged("Firmware has been updated successfully"));
        EXPECT_FALSE(visible(Control::updatingDialog));
        EXPECT_TRUE(enabled(Control::mainPanel));
        EXPECT_EQ(logic().pendingImages(), 0);
        EXPECT_EQ(options(), logic().savedOptions());
        logic().onConnectTimer();  // an unplugged box is noticed here: the disconnect clears the log
        ASSERT_TRUE(waitIdle());
        const auto lines = view.logLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Error: Operation failed"), lines.end());

        c.mend(*box);
        ASSERT_TRUE(reconnect());
        ASSERT_EQ(logic().programContainer(container), app::ContainerResult::split);
        ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
        EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target0, 0));
        EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target1, 1));
        EXPECT_TRUE(logged("Completed"));
        ASSERT_TRUE(reconnect());
    }
}

// When image A fails, image B of that container is dropped: the next programming writes only its own image.
TEST_F(Programming, AFailedImageTakesTheRestOfItsContainer) {
    testsupport::TempDir dir;
    std::ofstream(dir.file("fw.hex"), std::ios::binary) << imageA;
    box->failNthWrite(3);
    ASSERT_EQ(logic().programContainer("1\n:0000000aff\n" + imageA + ":0000000bff\n" + imageB),
              app::ContainerResult::split);
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    ASSERT_TRUE(logged("Error: Operation failed"));
    box->clearHostFrames();
    view.queueOpenAnswer(dir.file("fw.hex"));
    logic().onLoadFirmware();
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target0, 0));
    EXPECT_FALSE(memoryHolds(SampleImageId::ak03Target1, 1));
    EXPECT_FALSE(logged("Error programming [Dual] "));
}

// While the box is busy, Load firmware and Factory Settings leave it alone.
TEST_F(Programming, BusyBoxRefusesLoadFirmwareAndFactorySettings) {
    window->bootLoader().transferSettings().answerTimeoutMs = 20000;
    box->stopAnswering(true);  // the programming waits for the erase answer until the box is pulled
    ASSERT_EQ(logic().programContainer("1\n:0000000aff\n" + imageA), app::ContainerResult::split);
    ASSERT_TRUE(logic().operationRunning());
    view.clearCalls();
    box->clearHostFrames();
    view.queueOpenAnswer(std::nullopt);
    logic().onLoadFirmware();
    logic().onFactorySettings();
    EXPECT_FALSE(called("askOpenFile(Hex files (*.hex)|*.hex|All files (*.*)|*.*)"));
    box->unplug();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(box->counts(0).eraseUserData, 0);
}

TEST_F(Programming, AnimationSteps) {
    EXPECT_EQ(progressAnimationSteps(97), (std::vector<int>{97}));
    EXPECT_EQ(progressAnimationSteps(80), (std::vector<int>{80, 85, 90, 95, 100}));
    EXPECT_EQ(progressAnimationSteps(100), (std::vector<int>{100}));
    EXPECT_TRUE(progressAnimationSteps(101).empty());
}

TEST_F(Programming, LoadFirmwareFromAFile) {
    testsupport::TempDir dir;
    std::ofstream(dir.file("fw.hex"), std::ios::binary) << imageA;
    view.queueOpenAnswer(std::nullopt);
    logic().onLoadFirmware();
    EXPECT_FALSE(logic().operationRunning());
    view.queueOpenAnswer(dir.file("missing.hex"));
    logic().onLoadFirmware();
    EXPECT_EQ(view.logLines().back(), "Error opening file");
    view.queueOpenAnswer(dir.file("fw.hex"));
    logic().onLoadFirmware();
    EXPECT_TRUE(called("askOpenFile(Hex files (*.hex)|*.hex|All files (*.*)|*.*)"));
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_TRUE(memoryHolds(SampleImageId::ak03Target0, 0));
    EXPECT_TRUE(logged("Firmware has been updated successfully"));
}

TEST_F(Programming, FactorySettingsErasesBothTargetsOfAnAkBox) {
    logic().onFactorySettings();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(commandsSent(), (std::vector<int>{0x29, 0x09}));
}

TEST_F(RoadTest, FactorySettingsOfAnotherBoxErasesTarget0Only) {
    plugIn("damaged");
    connectTick();
    box->clearHostFrames();
    logic().onFactorySettings();
    ASSERT_TRUE(waitIdle());
    std::vector<int> commands;
    for (const auto& frame : box->hostFrames()) commands.push_back(frame[1]);
    EXPECT_EQ(commands, (std::vector<int>{0x09}));
}

}  // namespace
}  // namespace app::testing
