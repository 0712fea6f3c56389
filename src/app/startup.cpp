#include "app/startup.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "app/window_logic.h"
#include "arvex/config.h"
#include "catalogue/banner.h"
#include "catalogue/countries.h"
#include "catalogue/messages.h"
#include "catalogue/products.h"

namespace app {
namespace {

constexpr Rgb kMainPanelColour{203, 223, 248};
constexpr int kRaisedNiceValue = -10;

bool isPrivateFolderOfOurs(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700;
}

std::vector<std::string> productListItems() {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(catalogue::productCount));
    for (int i = 0; i < catalogue::productCount; ++i) items.push_back(catalogue::productListItem(i));
    return items;
}

}  // namespace

std::optional<std::string> privateTempFolder(const std::string& systemTempFolder) {
    std::string base = systemTempFolder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string prefix = base + "/arvex-updater-" + std::to_string(geteuid());

    if (mkdir(prefix.c_str(), 0700) == 0) {
        chmod(prefix.c_str(), 0700);  // the umask may have taken bits away
    }
    if (isPrivateFolderOfOurs(prefix)) return prefix + "/";

    // The name is taken by something we must not write into: use a fresh folder of our own instead.
    std::string pattern = prefix + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr && isPrivateFolderOfOurs(pattern)) return pattern + "/";
    return std::nullopt;
}

std::array<std::string, 2> makeTempImagePaths(const std::string& systemTempFolder) {
    if (systemTempFolder.empty()) return {"temp1.bin", "temp2.bin"};
    const auto folder = privateTempFolder(systemTempFolder);
    if (!folder) return {"", ""};
    return {*folder + "temp1.bin", *folder + "temp2.bin"};
}

std::string systemTempFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    return error ? std::string() : folder.string();
}

void requestHighPriority() {
    // Linux keeps the nice value per thread: raising the calling thread's also raises the bootloader's
    // worker threads that it starts later. Without the right to do so the request is refused; that is fine.
    [[maybe_unused]] const int ignored = setpriority(PRIO_PROCESS, 0, kRaisedNiceValue);
}

void seedRandomGenerator() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void activeFormCreate(View& view, Log& log, StartupDuties& duties) {
    requestHighPriority();
    view.setText(Control::versionCaption, std::string("v") + arvex::config::kProgramVersion);
    log.line(3, catalogue::welcomeBanner, 0, 0);

    view.setItems(Control::productList, productListItems());
    view.setSelectedIndex(Control::productList, -1);

    duties.keepTempImagePaths(makeTempImagePaths(systemTempFolder()));
    duties.setServerDefaults(view);
    seedRandomGenerator();
    view.setVisible(Control::operatorButton, false);
    view.setColor(Control::mainPanel, kMainPanelColour);

    view.setItems(Control::countryList,
                  std::vector<std::string>(catalogue::countryNames.begin(), catalogue::countryNames.end()));
    view.setSelectedIndex(Control::countryList, -1);

    view.setEnabled(Control::connectTimer, true);
    view.setColor(Control::statusPanel, kDisconnectedColour);
    view.setText(Control::statusPanel, catalogue::getMessage(kMsgDisconnected));
    duties.setDisconnected(view);
    duties.configureBootloader(view);
}

}  // namespace app
