#include "cli/run_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace cli {
namespace {

void removeFolder(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

}  // namespace

RunFolder::RunFolder() {
    std::error_code error;
    const std::filesystem::path system = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (system / "arvex-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    if (const char* previous = ::getenv("TMPDIR")) previousTmpdir_ = previous;
    ::setenv("TMPDIR", path_.c_str(), 1);
    removeOnInterrupt_ = std::make_unique<CleanupRegistration>([path = path_] { removeFolder(path); });
}

RunFolder::~RunFolder() {
    if (path_.empty()) return;
    removeOnInterrupt_.reset();
    if (previousTmpdir_)
        ::setenv("TMPDIR", previousTmpdir_->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    removeFolder(path_);
}

}  // namespace cli
