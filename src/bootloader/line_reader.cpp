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

FileLineReader::FileLineReader(const std::string& path)
    : file_(path, std::ios::binary), chunk_(std::size_t{64} * 1024) {}

bool FileLineReader::fill() {
    if (!file_.is_open() || !file_) return false;
    file_.read(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
    chunkSize_ = static_cast<std::size_t>(file_.gcount());
    chunkPosition_ = 0;
    return chunkSize_ > 0;
}

bool FileLineReader::atEnd() const {
    if (chunkPosition_ < chunkSize_)
        return skipLineFeed_ && chunkSize_ - chunkPosition_ == 1 && chunk_[chunkPosition_] == '\n' &&
               file_.peek() == EOF;
    return !file_.is_open() || file_.peek() == EOF;
}

std::string_view FileLineReader::nextLine() {
    line_.clear();
    cut_ = false;
    bool sawAnything = false;
    bool onlySpace = true;  // nothing but white space so far: kept as at most one blank
    const auto isText = [](char c) { return c != ' ' && c != '\t' && c != '\v' && c != '\f'; };
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
        const char* from = begin;
        if (onlySpace) {
            from = std::find_if(begin, stop, isText);
            if (from != begin && line_.empty()) line_.push_back(' ');
            if (from != stop) onlySpace = false;
        }
        const std::size_t kept = kMaxLineLength + (line_.starts_with(' ') ? 1 : 0);  // + the kept blank
        const std::size_t room = kept - line_.size();
        const auto length = static_cast<std::size_t>(stop - from);
        if (length > room) cut_ = true;
        line_.append(from, std::min(length, room));
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
