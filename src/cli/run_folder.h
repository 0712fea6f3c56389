// arvex-cli: one temporary folder per run for everything the run leaves in the temporary folder.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/interrupt.h"

namespace cli {

// A fresh folder of this run inside the system's temporary folder (mode 0700), made the process's
// temporary folder (TMPDIR) while it lives: the window logic's image folder and the in-process stand-in
// server's catalogue are made inside it. Removed with all it holds when the object goes and when the run
// is interrupted (SIGINT, SIGTERM). Make it before any other thread starts.
class RunFolder {
public:
    RunFolder();
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    [[nodiscard]] bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::optional<std::string> previousTmpdir_;
    std::unique_ptr<CleanupRegistration> removeOnInterrupt_;
};

}  // namespace cli
