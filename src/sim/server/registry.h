// The stand-in server's registry: the boxes it knows, the registrations it takes (kept in a state file
// when one is given) and the server keys it has handed out. Safe to use from every connection thread.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

struct BoxRecord {
    std::string serial;
    std::string pid;
    std::string mail;
    bool blacklisted = false;
};

// 00012345 (AK02), 00023456 (AK03), 00034567 (AK02) and 00045678 known; 00066666 black-listed.
std::vector<BoxRecord> defaultRegistry();

class BoxRegistry {
public:
    BoxRegistry(std::vector<BoxRecord> boxes, std::string stateFile);

    // Adds the registrations stored in the state file.
    void loadState();
    // "AUTH_OK", "BLACKLIST" or "AUTH_KO" for a box's serial.
    std::string authStatus(const std::string& serial) const;
    // "REGISTER_OK" (stored), "REGISTER_ALREADY" (mail known) or "REG_ERROR: ..." (missing field, blocked).
    std::string registerBox(const BoxRecord& box, const std::string& name, const std::string& password,
                            const std::string& country);
    bool isRegistered(const std::string& serial) const;

private:
    void saveRegistration(const BoxRecord& box, const std::string& name, const std::string& country);

    const std::string stateFile_;
    mutable std::mutex mutex_;  // guards boxes_
    std::vector<BoxRecord> boxes_;
};

// The last server keys handed out, oldest dropped first.
class IssuedKeys {
public:
    std::string issue();
    bool contains(const std::string& key) const;

private:
    static constexpr std::size_t kLimit = 256;
    mutable std::mutex mutex_;
    std::deque<std::string> keys_;
};

}  // namespace sim
