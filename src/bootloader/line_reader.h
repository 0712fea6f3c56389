// Text read one line at a time, as the Intel HEX loader consumes it.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace bootloader {

// Yields the lines of a text without their terminators (LF, CR LF or a lone CR), then an empty line at the
// end of the text. A returned view stays valid until the next call.
class LineReader {
public:
    virtual ~LineReader() = default;
    virtual std::string_view nextLine() = 0;
    // True when no line is left, so an empty line from nextLine() is the end rather than a blank line.
    [[nodiscard]] virtual bool atEnd() const = 0;
    // True when the last line was longer than the reader keeps and was cut.
    [[nodiscard]] virtual bool lineWasCut() const { return false; }
};

// Lines of a text held in memory; the text must outlive the reader.
class StringLineReader : public LineReader {
public:
    explicit StringLineReader(std::string_view text) : text_(text) {}
    std::string_view nextLine() override;
    bool atEnd() const override { return position_ >= text_.size(); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// Lines of a file, read in chunks. Leading white space is kept as one blank (the loader trims it anyway),
// so a record behind any amount of it is read whole. A line whose text is longer than kMaxLineLength keeps
// only its first kMaxLineLength characters and is marked cut (no record needs more than 521), so a file
// without line breaks cannot exhaust memory.
class FileLineReader : public LineReader {
public:
    static constexpr std::size_t kMaxLineLength = 4096;

    explicit FileLineReader(const std::string& path);
    [[nodiscard]] bool isOpen() const { return file_.is_open(); }
    std::string_view nextLine() override;
    bool atEnd() const override;
    bool lineWasCut() const override { return cut_; }

private:
    [[nodiscard]] bool fill();

    mutable std::ifstream file_;  // atEnd() peeks
    std::vector<char> chunk_;
    std::size_t chunkPosition_ = 0;
    std::size_t chunkSize_ = 0;
    std::string line_;
    bool skipLineFeed_ = false;  // the last line ended with CR: a following LF belongs to it
    bool cut_ = false;
};

}  // namespace bootloader
