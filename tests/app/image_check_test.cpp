// Images that must never be programmed are refused by the window before the box is erased: containers from
// the server and "Load firmware..." files alike, each with its own line and the cause at debug level.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"
#include "support/box_results.h"
#include "support/temp_dir.h"

namespace app::testing {
namespace {

using sim::SampleImageId;

constexpr int kEraseCommand = 0x02;

// The sample image's text with line `index` (0 = first) changed by `edit`.
std::string withLine(const std::string& text, std::size_t index,
                     const std::function<void(std::string&)>& edit) {
    std::string out;
    std::size_t begin = 0;
    for (std::size_t line = 0; begin < text.size(); ++line) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string piece = text.substr(begin, end - begin);
        if (line == index) edit(piece);
        out += piece;
        begin = end;
    }
    return out;
}

class ImageCheck : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("good");
        connectTick();
        ASSERT_TRUE(logic().deviceConnected());
        box->clearHostFrames();
        view.clearCalls();
        logic().log().setThreshold(kDebugLogThreshold);
    }

    const sim::SampleImage image = sim::sampleImage(SampleImageId::ak03Target0);
    std::vector<std::uint8_t> memoryNow() { return box->memory(0, image.address, image.bytes.size()); }
};

struct Case {
    const char* name;
    std::string text;       // the image: a container's image A and the file of "Load firmware..."
    std::string container;  // the window's line for the container; empty: the container's image programs
    std::string local;      // the window's line for the local file
    std::string cause;      // start of the debug line with the cause; empty: none
};

std::vector<Case> cases() {
    const std::string good = sim::sampleImage(SampleImageId::ak03Target0).hexText;
    const std::string noEof = good.substr(0, good.rfind(":00000001FF"));
    // a data record at 0xFFFF0000, outside every region of the box
    const std::string elsewhere = ":02000004FFFFFC\n:0100000000FF\n:00000001FF\n";
    return {
        {"no data in any region", elsewhere, "Error: firmware file has no data for this device",
         "Error: firmware file has no data for this device", "no record puts data"},
        {"records after an empty line", withLine(good, 0, [](std::string& l) { l += "\n"; }),
         "Error: firmware file has records after an empty line",
         "Error: firmware file has records after an empty line", "line 2: an empty line ends the records"},
        {"checksum error", withLine(good, 1, [](std::string& l) { l[l.size() - 2] ^= 0x01; }),
         "Error reading firmware [32]", "Error reading firmware", "line 2: checksum "},
        {"no end-of-file record", noEof, "", "Error: firmware file has no end-of-file record",
         "the end-of-file record is missing"},
    };
}

TEST_F(ImageCheck, RefusedBeforeTheBoxIsErased) {
    const auto before = memoryNow();
    for (const Case& c : cases()) {
        for (bool localFile : {false, true}) {
            const std::string& line = localFile ? c.local : c.container;
            if (line.empty()) continue;
            SCOPED_TRACE(std::string(c.name) + (localFile ? " (local file)" : " (container)"));
            view.clearCalls();
            box->clearHostFrames();
            if (localFile) {
                testsupport::TempDir dir;
                std::ofstream(dir.file("fw.hex"), std::ios::binary) << c.text;
                view.queueOpenAnswer(dir.file("fw.hex"));
                logic().onLoadFirmware();
            } else {
                EXPECT_EQ(logic().programContainer("1\n:0000000aff\n" + c.text), app::ContainerResult::split);
                EXPECT_EQ(logic().pendingImages(), 0);
            }
            EXPECT_TRUE(logged(line));
            const auto calls = view.calls();
            EXPECT_NE(std::find_if(calls.begin(), calls.end(),
                                   [&](const std::string& call) {
                                       return call.rfind("appendLog(" + c.cause, 0) == 0;
                                   }),
                      calls.end());
            for (const auto& frame : box->hostFrames()) EXPECT_NE(frame[1], kEraseCommand);
            EXPECT_EQ(memoryNow(), before);
            EXPECT_FALSE(logic().operationRunning());
        }
    }
}

TEST_F(ImageCheck, AFolderIsNotAFirmwareFile) {
    testsupport::TempDir dir;
    view.queueOpenAnswer(dir.path());
    logic().onLoadFirmware();
    EXPECT_EQ(view.logLines().back().rfind(dir.path() + ": it is not a regular file", 0), 0u);
    EXPECT_TRUE(logged("Error opening file"));
    EXPECT_FALSE(logic().operationRunning());
    EXPECT_TRUE(box->hostFrames().empty());
}

// A bad image B refuses the whole container: image A is not programmed either.
TEST_F(ImageCheck, ABadSecondImageStopsTheContainerBeforeTheFirst) {
    const auto before = memoryNow();
    const std::string imageB = sim::sampleImage(SampleImageId::ak03Target1).hexText;
    const std::string badB = withLine(imageB, 0, [](std::string& l) { l += "\n"; });
    EXPECT_EQ(logic().programContainer("1\n:0000000aff\n" + image.hexText + ":0000000bff\n" + badB),
              app::ContainerResult::split);
    EXPECT_TRUE(logged("Error: firmware file has records after an empty line"));
    EXPECT_EQ(logic().pendingImages(), 0);
    EXPECT_FALSE(logic().operationRunning());
    EXPECT_TRUE(box->hostFrames().empty());
    EXPECT_EQ(memoryNow(), before);
}

}  // namespace
}  // namespace app::testing
