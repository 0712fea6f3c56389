// The firmware catalogue dialog: which entries are listed, captions, folders and downloads.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "road_fixture.h"
#include "sim/server/sample_catalogue.h"
#include "support/temp_dir.h"

namespace app::testing {
namespace {

std::string file(const std::string& id, const std::string& name, const std::string& type,
                 const std::string& size = "100") {
    return "<file fileid=\"" + id + "\" name=\"" + name + "\" type=\"" + type + "\" size=\"" + size +
           "\" price=\"3\"/>";
}

std::vector<std::string> captions(const std::vector<ListRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(row.caption);
    return out;
}

class Catalogue : public RoadTest {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        plugIn("good");
        connectTick();
        ASSERT_TRUE(enabled(Control::updateButton));
    }

    server::SessionValues& session() { return logic().serverClient().session; }

    // A FILELIST answer for the request id in use.
    std::string listAnswer(const std::string& entries, const std::string& location = "") {
        session().requestId = "4321";
        return "<zekCom><resp id=\"4321\" serverkey=\"77\" cred=\"5\"><loc p=\"" + location + "\"/>" +
               entries + "</resp></zekCom>";
    }
};

TEST_F(Catalogue, WhichEntriesAreListed) {
    struct Case {
        const char* name;
        std::string folder;
        std::string entries;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"allKinds",
         "0",
         file("1", "fw.hex", "10") + file("2", "Old", "00") + file("3", "up", "L1") +
             file("4", "other", "L0") + file("5", "odd", "Lx"),
         {"fw.hex", "Old"}},
        {"linkUpBelowTheTop", "7", file("3", "..", "L1") + file("1", "fw.hex", "10"), {"..", "fw.hex"}},
        {"unknownTypeEndsTheList",
         "0",
         file("1", "a.hex", "10") + file("2", "b", "X0") + file("3", "c.hex", "10"),
         {"a.hex"}},
        {"oneCharacterTypeEndsTheList", "0", file("1", "a.hex", "10") + file("2", "b.hex", "1"), {"a.hex"}},
    };
    for (const Case& c : cases) {
        session().currentFolderId = c.folder;
        logic().showFileList(listAnswer(c.entries));
        EXPECT_EQ(captions(view.rows()), c.listed) << c.name;
        EXPECT_TRUE(visible(Control::firmwareDialog)) << c.name;
    }
    const auto rows = view.rows();
    EXPECT_EQ(rows[0].icon, 1);
    EXPECT_EQ(rows[0].subItems, (std::vector<std::string>{"100", "3"}));
    EXPECT_TRUE(called("setColumnWidths(270, 80)"));
    EXPECT_EQ(session().credit, "5");
}

TEST_F(Catalogue, NothingToListSaysNoNewUpdates) {
    logic().showFileList(listAnswer(""));
    EXPECT_TRUE(logged("No new updates."));
    EXPECT_FALSE(visible(Control::firmwareDialog));
    logic().showFileList(listAnswer(file("1", "a.hex", "1")));  // a one-character type first
    EXPECT_FALSE(visible(Control::firmwareDialog));
    EXPECT_TRUE(view.rows().empty());
}

TEST_F(Catalogue, ActionCaptionFollowsTheSelection) {
    logic().showFileList(listAnswer(file("1", "FW.HEX", "10") + file("2", "Fw.Hex", "11") +
                                    file("3", "notes.txt", "10") + file("4", "Old", "01") +
                                    file("5", "fwhex", "10", "abc")));
    const std::pair<int, const char*> expected[] = {
        {0, "Update firmware"}, {1, "Update firmware"}, {2, "Download"}, {3, "Go"}, {4, "Download"}};
    for (auto [row, caption] : expected) {
        view.selectRow(row);
        logic().onFirmwareSelectionChange(true);
        EXPECT_EQ(view.text(Control::selectFirmwareButton), caption) << row;
        EXPECT_TRUE(enabled(Control::selectFirmwareButton));
    }
    // a size that is not a number leaves the bar's maximum at 0; the save dialog is cancelled
    view.selectRow(4);
    logic().onSelectFirmware();
    EXPECT_TRUE(called("setProgressRange(0, 0)"));
    EXPECT_TRUE(called("askSaveFile(, fwhex)"));

    view.selectRow(-1);
    logic().onFirmwareSelectionChange(true);
    EXPECT_FALSE(enabled(Control::selectFirmwareButton));
    view.clearCalls();
    logic().onSelectFirmware();  // nothing selected: nothing happens
    EXPECT_TRUE(view.calls().empty());
}

TEST_F(Catalogue, FoldersAreRememberedAfterCancel) {
    logic().onUpdate();
    ASSERT_TRUE(visible(Control::firmwareDialog));
    EXPECT_EQ(captions(view.rows()), (std::vector<std::string>{"AK02", "AK03", "release_notes.txt"}));
    choose("AK02");
    const std::string folder = session().currentFolderId;
    EXPECT_EQ(folder, server.idOf("AK02"));
    EXPECT_EQ(view.rows()[0].icon, 0);  // the link back up, below the top folder
    logic().onCancelFirmwareDialog();
    EXPECT_FALSE(visible(Control::firmwareDialog));
    EXPECT_TRUE(enabled(Control::mainPanel));
    logic().onUpdate();
    EXPECT_NE(server.lastDocument().find("folderid=\"" + folder + "\""), std::string::npos);
    EXPECT_EQ(view.text(Control::catalogueFolderPath), "/AK02");
}

TEST_F(Catalogue, DownloadsToFileAndTheirFailures) {
    testsupport::TempDir dir;
    logic().onUpdate();

    view.queueSaveAnswer(std::nullopt);  // cancelled: nothing at all
    choose("release_notes.txt");
    EXPECT_TRUE(visible(Control::firmwareDialog));

    sim::ServerFaults faults;
    faults.shortBodyBytes = 3;
    server.setFaults(faults);
    view.queueSaveAnswer(dir.file("notes.txt"));
    choose("release_notes.txt");
    EXPECT_TRUE(logged("Error: File is corrupt"));
    EXPECT_TRUE(visible(Control::firmwareDialog));
    EXPECT_TRUE(enabled(Control::selectFirmwareButton));  // enabled again after the download

    server.setFaults({});
    view.queueSaveAnswer(dir.file("notes.txt"));
    choose("release_notes.txt");
    EXPECT_TRUE(logged("Download success"));
    EXPECT_FALSE(visible(Control::firmwareDialog));
    EXPECT_EQ(testsupport::readBytes(dir.file("notes.txt")).size(),
              std::filesystem::file_size(server.catalogueFolder() + "/" + sim::kSampleReleaseNotes));
    EXPECT_TRUE(called("askSaveFile(, release_notes.txt)"));
}

TEST_F(Catalogue, TheSaveDialogIsOfferedTheLastPathComponentOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"../../etc/passwd", "passwd"}, {"tools\\setup.exe", "setup.exe"}, {"docs/", "download.bin"},
        {"..", "download.bin"},         {"notes.txt", "notes.txt"},
    };
    for (auto [name, offered] : cases) {
        logic().showFileList(listAnswer(file("3", name, "10")));
        view.clearCalls();
        view.selectRow(0);
        logic().onSelectFirmware();  // the dialog is cancelled
        EXPECT_TRUE(called(std::string("askSaveFile(, ") + offered + ")")) << name;
    }
}

TEST_F(Catalogue, WhileADownloadRunsTheDialogIsLocked) {
    logic().onUpdate();
    choose("AK02");
    view.clearCalls();
    choose("ak02_fw_1.3.hex");
    const auto calls = view.calls();
    const auto first = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto locked = first("setEnabled(lvListFW, false)");
    ASSERT_LT(locked, static_cast<long>(calls.size()));
    EXPECT_LT(first("setEnabled(btSelectFirmware, false)"), first("processEvents()"));
    EXPECT_LT(first("setEnabled(Button3, false)"), first("processEvents()"));
    EXPECT_LT(first("processEvents()"), first("setEnabled(lvListFW, true)"));
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
}

// A download's progress handlers run the message loop: the timers and buttons start nothing meanwhile.
TEST_F(Catalogue, NothingStartsWhileADownloadRuns) {
    logic().onUpdate();
    choose("AK02");
    const std::pair<const char*, std::function<void()>> handlers[] = {
        {"connect timer, box gone",
         [&] {
             box->unplug();
             logic().onConnectTimer();
             box->plug();
         }},
        {"Reconnect", [&] { logic().onReconnect(); }},
        {"Read data", [&] { logic().onReadData(); }},
        {"Factory Settings", [&] { logic().onFactorySettings(); }},
        {"Load firmware", [&] { logic().onLoadFirmware(); }},
    };
    std::vector<std::string> acted;
    bool tried = false;
    view.setOnProcessEvents([&] {
        if (std::exchange(tried, true)) return;
        for (const auto& [name, handler] : handlers) {
            handler();
            if (logic().operationRunning() || !logic().deviceConnected()) acted.emplace_back(name);
            ASSERT_TRUE(waitIdle());
        }
    });
    choose("ak02_fw_1.3.hex");
    view.setOnProcessEvents({});
    EXPECT_TRUE(tried);
    EXPECT_TRUE(acted.empty()) << acted.front();
    EXPECT_FALSE(called("askOpenFile(Hex files (*.hex)|*.hex|All files (*.*)|*.*)"));
    ASSERT_TRUE(waitIdle(std::chrono::seconds(60)));
    EXPECT_TRUE(logged("Firmware has been updated successfully"));
}

TEST_F(Catalogue, UpdateNeedsALoginAndNoOperation) {
    session().authenticated = false;
    logic().onUpdate();
    EXPECT_TRUE(logged("Error: Device not logged"));
    EXPECT_FALSE(visible(Control::firmwareDialog));
}

}  // namespace
}  // namespace app::testing
