#include "fake_hidapi.h"

#include <hidapi.h>

#include <algorithm>
#include <cstring>

struct hid_device_ {
    fakehid::Device device;
};

namespace fakehid {

State& state() {
    static State instance;
    return instance;
}

void reset() {
    state() = State{};
}

}  // namespace fakehid

using fakehid::state;

extern "C" {

int hid_init(void) {
    return 0;
}

int hid_exit(void) {
    return 0;
}

struct hid_device_info* hid_enumerate(unsigned short, unsigned short) {
    hid_device_info* head = nullptr;
    for (auto it = state().listed.rbegin(); it != state().listed.rend(); ++it) {
        auto* info = new hid_device_info{};
        info->path = strdup(it->path.c_str());
        info->vendor_id = it->vendor;
        info->product_id = it->product;
        info->release_number = it->release;
        info->next = head;
        head = info;
    }
    return head;
}

void hid_free_enumeration(struct hid_device_info* devices) {
    while (devices != nullptr) {
        hid_device_info* next = devices->next;
        std::free(devices->path);
        delete devices;
        devices = next;
    }
}

hid_device* hid_open_path(const char* path) {
    const auto& openable = state().openable;
    if (std::find(openable.begin(), openable.end(), path) == openable.end()) return nullptr;
    ++state().opened;
    return new hid_device_{fakehid::Device{path}};
}

int hid_write(hid_device*, const unsigned char* data, size_t length) {
    state().written.emplace_back(data, data + length);
    return state().writeResult == -2 ? static_cast<int>(length) : state().writeResult;
}

int hid_read_timeout(hid_device*, unsigned char* data, size_t length, int milliseconds) {
    state().lastReadLength = length;
    state().lastReadTimeout = milliseconds;
    const std::size_t count = std::min(length, state().nextRead.size());
    std::copy_n(state().nextRead.begin(), count, data);
    return state().readResult == -2 ? static_cast<int>(count) : state().readResult;
}

void hid_close(hid_device* device) {
    ++state().closed;
    delete device;
}

const wchar_t* hid_error(hid_device* device) {
    return device == nullptr ? state().globalError.c_str() : state().deviceError.c_str();
}

}  // extern "C"
