// "Save to disk..." of the log pane's context menu.
#pragma once

#include <string>
#include <vector>

#include "app/log.h"
#include "app/view.h"

namespace app {

inline constexpr const char* kLogFileFilter = "Log (*.log)|*.log|All files (*.*)|*.*";

// Writes the lines as they are (Windows-1252 bytes), each ended by CR LF, replacing the file. False when
// the file cannot be created or written.
[[nodiscard]] bool writeLogFile(const std::string& path, const std::vector<std::string>& lines);

// onSaveLog: asks for a file name; a cancel does nothing; an empty name or a failed write logs
// "Error creating file", a good write "File created" (both at level 1). UI thread only.
void saveLogToDisk(View& view, Log& log);

}  // namespace app
