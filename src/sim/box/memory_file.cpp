// The simulated box's memory file: saveMemory and loadMemory.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "sim/box/sim_backend.h"

namespace sim {

// The memory file: a header line, then per box and target and region a line "region B T START SIZE BYTES"
// followed by that many raw bytes.
bool SimBackend::saveMemory(const std::string& file, std::string* cause) const {
    const auto failed = [cause](std::string text) {
        if (cause != nullptr) *cause = std::move(text);
        return false;
    };
    std::string text = "arvex-sim-memory 1\n";
    {
        std::lock_guard lock(mutex_);
        for (std::size_t b = 0; b < boxes_.size(); ++b)
            for (int t = 0; t < 2; ++t) {
                const BoxMemory& memory = boxes_[b].targets[t];
                for (std::size_t r = 0; r < memory.images().size(); ++r) {
                    const auto& image = memory.images()[r];
                    text += "region " + std::to_string(b) + ' ' + std::to_string(t) + ' ' +
                            std::to_string(memory.layout().regions[r].start) + ' ' +
                            std::to_string(memory.layout().regions[r].size) + ' ' +
                            std::to_string(image.size()) + '\n';
                    text.append(image.begin(), image.end());
                }
            }
    }
    std::string temporary = file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return failed(std::string("cannot create a file beside it: ") + std::strerror(errno));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return failed("cannot write: " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return failed("cannot write: " + reason);
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return failed("cannot replace it: " + reason);
    }
    return true;
}

bool SimBackend::loadMemory(const std::string& file, std::string* cause) {
    const auto failed = [cause](std::string text) {
        if (cause != nullptr) *cause = std::move(text);
        return false;
    };
    std::lock_guard lock(mutex_);
    std::ifstream in(file, std::ios::binary);
    if (!in) return failed(std::string("cannot open it: ") + std::strerror(errno));
    std::string header;
    if (!std::getline(in, header) || header != "arvex-sim-memory 1")
        return failed("it is not a simulated box's memory file");
    std::vector<std::vector<std::vector<std::uint8_t>>> loaded;  // [box * 2 + target][region]
    for (std::size_t b = 0; b < boxes_.size(); ++b)
        for (int t = 0; t < 2; ++t) {
            const BoxMemory& memory = boxes_[b].targets[t];
            auto& images = loaded.emplace_back();
            for (std::size_t r = 0; r < memory.images().size(); ++r) {
                std::string word;
                std::size_t box = 0, target = 0, bytes = 0;
                std::uint32_t start = 0, size = 0;
                in >> word >> box >> target >> start >> size >> bytes;
                const SimRegion& region = memory.layout().regions[r];
                if (!in || word != "region") return failed("it is cut short or damaged");
                if (box != b || target != static_cast<std::size_t>(t) || start != region.start ||
                    size != region.size || bytes != memory.images()[r].size())
                    return failed("it was saved from a box of another layout");
                in.get();  // the line's end
                std::vector<std::uint8_t> image(bytes);
                in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(bytes));
                if (!in) return failed("it is cut short");
                images.push_back(std::move(image));
            }
        }
    for (std::size_t b = 0; b < boxes_.size(); ++b)
        for (int t = 0; t < 2; ++t) boxes_[b].targets[t].images() = std::move(loaded[b * 2 + t]);
    return true;
}

}  // namespace sim
