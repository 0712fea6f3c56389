#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "app/log.h"
#include "catalogue/banner.h"
#include "shell_fixture.h"
#include "support/temp_dir.h"

namespace app::testing {
namespace {

// Notes where in the sequence of view calls each duty ran.
class RecordingDuties : public StartupDuties {
public:
    explicit RecordingDuties(RecordingView& view) : view_(view) {}
    void setServerDefaults(View&) override { note("setServerDefaults"); }
    void setDisconnected(View&) override { note("setDisconnected"); }
    void configureBootloader(View&) override { note("configureBootloader"); }
    void keepTempImagePaths(const std::array<std::string, 2>& paths) override { tempImagePaths = paths; }
    std::vector<std::string> notes;
    std::array<std::string, 2> tempImagePaths;

private:
    void note(const std::string& duty) { notes.push_back(duty + "@" + std::to_string(view_.calls().size())); }
    RecordingView& view_;
};

mode_t modeOf(const std::string& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

using StartupTest = ShellTest;

TEST_F(StartupTest, CreateHandlerStepsInOrder) {
    testsupport::TempDir tmp;
    ASSERT_EQ(setenv("TMPDIR", tmp.path().c_str(), 1), 0);
    RecordingDuties duties(view);

    activeFormCreate(view, log, duties);
    unsetenv("TMPDIR");

    const std::vector<std::string> expected = {
        "setText(lbVersion, v1.2.7)",        "appendLog(" + catalogue::welcomeBanner + ")",
        "setItems(lbProducts, 11)",          "setSelectedIndex(lbProducts, -1)",
        "setVisible(btOps, false)",          "setColor(gPanel, 203,223,248)",
        "setItems(cbCountries, 246)",        "setSelectedIndex(cbCountries, -1)",
        "setEnabled(tmConnect, true)",       "setColor(lConnected, 209,209,209)",
        "setText(lConnected, Disconnected)",
    };
    EXPECT_EQ(view.calls(), expected);

    EXPECT_EQ(duties.notes, (std::vector<std::string>{"setServerDefaults@4", "setDisconnected@11",
                                                      "configureBootloader@11"}));

    const auto products = view.items(Control::productList);
    ASSERT_EQ(products.size(), 11u);
    EXPECT_EQ(products[3], "[AK03] Arvex Kiro Advanced");
    EXPECT_EQ(view.items(Control::countryList).back(), "Zimbabwe");

    const std::string folder = tmp.path() + "/arvex-updater-" + std::to_string(geteuid()) + "/";
    EXPECT_EQ(duties.tempImagePaths[0], folder + "temp1.bin");
    EXPECT_EQ(duties.tempImagePaths[1], folder + "temp2.bin");
    EXPECT_EQ(modeOf(folder), 0700u);
}

TEST(PrivateTempFolder, RefusesWhatIsNotOursAndPrivate) {
    const std::string own = "arvex-updater-" + std::to_string(geteuid());
    struct Case {
        const char* what;
        void (*plant)(const std::string& path);  // what stands at the fixed name beforehand
        bool fixedNameUsed;
    } cases[] = {
        {"nothing", [](const std::string&) {}, true},
        {"our private folder", [](const std::string& p) { mkdir(p.c_str(), 0700); }, true},
        {"a folder open to others",
         [](const std::string& p) { mkdir(p.c_str(), 0777), chmod(p.c_str(), 0777); }, false},
        {"a plain file", [](const std::string& p) { std::ofstream(p) << "x"; }, false},
        {"a link to a private folder",
         [](const std::string& p) {
             mkdir((p + "-target").c_str(), 0700);
             [[maybe_unused]] int ignored = symlink((p + "-target").c_str(), p.c_str());
         },
         false},
    };
    for (const Case& c : cases) {
        testsupport::TempDir tmp;
        const std::string fixed = tmp.path() + "/" + own;
        c.plant(fixed);
        const auto folder = privateTempFolder(tmp.path() + "/");
        ASSERT_TRUE(folder.has_value()) << c.what;
        EXPECT_EQ(*folder == fixed + "/", c.fixedNameUsed) << c.what << ": " << *folder;
        EXPECT_EQ(folder->back(), '/');
        EXPECT_EQ(modeOf(*folder), 0700u) << c.what;
        struct stat info {};
        ASSERT_EQ(lstat(folder->c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode)) << c.what;
    }
}

TEST(TempImagePaths, WithoutATemporaryFolder) {
    EXPECT_EQ(makeTempImagePaths(""), (std::array<std::string, 2>{"temp1.bin", "temp2.bin"}));
    testsupport::TempDir tmp;
    const auto none = makeTempImagePaths(tmp.path() + "/does-not-exist");
    EXPECT_EQ(none, (std::array<std::string, 2>{"", ""}));
}

}  // namespace
}  // namespace app::testing
