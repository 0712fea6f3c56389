#include "bootloader/line_reader.h"

#include <algorithm>

namespace bootloader {

std::string_view StringLineReader::nextLine() {
    if (position_ >= text_.size()) return {};
    const std::size_t end = std::min(text_.find_first_of("\r\n", position_), text_.size());
    const std::string_view line = text_.substr(position_, end - position_);
    position_ = end;
    if (position_ < text_.size()) {
        const bool carriageReturn = text_[position_] == '\r';
        ++position_;
        if (carriageReturn && position_ < text_.size() && text_[position_] == '\n') ++position_;
    }
    return line;
}

FileLineReader::FileLineReader(const std::string& path) : file_(path, std::ios::binary), chunk_(64 * 1024) {}

bool FileLineReader::fill() {
    if (!file_.is_open() || !file_) return false;
    file_.read(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
    chunkSize_ = static_cast<std::size_t>(file_.gcount());
    chunkPosition_ = 0;
    return chunkSize_ > 0;
}

std::string_view FileLineReader::nextLine() {
    line_.clear();
    bool sawAnything = false;
    for (;;) {
        if (chunkPosition_ >= chunkSize_ && !fill()) break;
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (chunk_[chunkPosition_] == '\n') {
                ++chunkPosition_;
                continue;
            }
        }
        const char* begin = chunk_.data() + chunkPosition_;
        const char* end = chunk_.data() + chunkSize_;
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
        const std::size_t room = kMaxLineLength - line_.size();
        line_.append(begin, std::min(static_cast<std::size_t>(stop - begin), room));
        sawAnything = true;
        chunkPosition_ += static_cast<std::size_t>(stop - begin);
        if (stop != end) {
            skipLineFeed_ = *stop == '\r';
            ++chunkPosition_;
            return line_;
        }
    }
    return sawAnything ? std::string_view(line_) : std::string_view();
}

}  // namespace bootloader
