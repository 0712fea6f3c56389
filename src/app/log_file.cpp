#include "app/log_file.h"

#include <fstream>

#include "app/log.h"
#include "app/message_index.h"
#include "catalogue/messages.h"

namespace app {
bool writeLogFile(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    for (const std::string& line : lines) file << line << "\r\n";
    file.close();
    return !file.fail();
}

void saveLogToDisk(View& view, Log& log) {
    const auto chosen = view.askSaveFile(kLogFileFilter, "");
    if (!chosen) return;
    if (chosen->empty() || !writeLogFile(*chosen, view.logLines())) {
        log.line(1, catalogue::getMessage(kMsgErrorCreatingFile), 0, 0);
        return;
    }
    log.line(1, catalogue::getMessage(kMsgFileCreated), 0, 0);
}

}  // namespace app
