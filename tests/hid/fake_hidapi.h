// A stand-in for the hidapi library, linked into the framing test instead of the real one: it records
// what the backend hands to hidapi and answers as the test sets it up.
#pragma once

#include <string>
#include <vector>

namespace fakehid {

struct Device {
    std::string path;
};

struct State {
    struct Listed {
        std::string path;
        unsigned short vendor, product, release;
    };
    std::vector<Listed> listed;
    std::vector<std::string> openable;  // paths hid_open_path accepts
    std::wstring globalError = L"";     // hid_error(NULL)
    std::wstring deviceError = L"";     // hid_error(device)

    std::vector<std::vector<unsigned char>> written;  // every buffer hid_write got, whole
    int writeResult = -2;                             // -2: the length; else this value
    std::vector<unsigned char> nextRead;              // what hid_read_timeout hands back (empty: time-out)
    int readResult = -2;                              // -2: the bytes copied; else this value
    std::size_t lastReadLength = 0;
    int lastReadTimeout = -100;
    int opened = 0, closed = 0;
};

State& state();
void reset();

}  // namespace fakehid
