#include "sim/server/registry.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

namespace sim {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string hexKey() {
    unsigned char random[8] = {};
    RAND_bytes(random, sizeof random);
    std::string key;
    char digits[3];
    for (unsigned char byte : random) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        key += digits;
    }
    return key;
}

}  // namespace

std::vector<BoxRecord> defaultRegistry() {
    return {
        {"00012345", "AK02", "owner.ak02@example.com", false},
        {"00023456", "AK03", "owner.ak03@example.com", false},
        {"00034567", "AK02", "", false},
        {"00045678", "", "", false},
        {"00066666", "", "", true},
    };
}

BoxRegistry::BoxRegistry(std::vector<BoxRecord> boxes, std::string stateFile)
    : stateFile_(std::move(stateFile)), boxes_(std::move(boxes)) {}

void BoxRegistry::loadState() {
    if (stateFile_.empty()) return;
    std::ifstream in(stateFile_);
    std::string line;
    std::lock_guard lock(mutex_);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        BoxRecord box;
        if (!std::getline(fields, box.serial, '\t') || !std::getline(fields, box.pid, '\t') ||
            !std::getline(fields, box.mail, '\t'))
            continue;
        boxes_.push_back(box);
    }
}

std::string BoxRegistry::authStatus(const std::string& serial) const {
    std::string status = "AUTH_KO";
    std::lock_guard lock(mutex_);
    for (const BoxRecord& box : boxes_)
        if (box.serial == serial) status = box.blacklisted ? "BLACKLIST" : "AUTH_OK";
    return status;
}

std::string BoxRegistry::registerBox(const BoxRecord& box, const std::string& name,
                                     const std::string& password, const std::string& country) {
    if (name.empty() || box.mail.empty() || password.empty() || country.empty() || box.serial.empty())
        return "REG_ERROR: missing field";
    std::lock_guard lock(mutex_);
    const std::string mail = lower(box.mail);
    const bool mailKnown = std::any_of(boxes_.begin(), boxes_.end(),
                                       [&](const BoxRecord& known) { return lower(known.mail) == mail; });
    const bool blocked = std::any_of(boxes_.begin(), boxes_.end(), [&](const BoxRecord& known) {
        return known.serial == box.serial && known.blacklisted;
    });
    if (blocked) return "REG_ERROR: device blocked";
    if (mailKnown) return "REGISTER_ALREADY";
    boxes_.push_back(box);
    saveRegistration(box, name, country);
    return "REGISTER_OK";
}

bool BoxRegistry::isRegistered(const std::string& serial) const {
    std::lock_guard lock(mutex_);
    return std::any_of(boxes_.begin(), boxes_.end(),
                       [&](const BoxRecord& box) { return box.serial == serial && !box.blacklisted; });
}

void BoxRegistry::saveRegistration(const BoxRecord& box, const std::string& name,
                                   const std::string& country) {
    if (stateFile_.empty()) return;
    std::ofstream out(stateFile_, std::ios::app);
    // Tabs and line breaks inside a field would split the record: they are stored as blanks.
    auto clean = [](std::string text) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
        return text;
    };
    out << clean(box.serial) << '\t' << clean(box.pid) << '\t' << clean(box.mail) << '\t' << clean(name)
        << '\t' << clean(country) << '\n';
}

std::string IssuedKeys::issue() {
    std::lock_guard lock(mutex_);
    keys_.push_back(hexKey());
    if (keys_.size() > kLimit) keys_.pop_front();
    return keys_.back();
}

bool IssuedKeys::contains(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
}

}  // namespace sim
