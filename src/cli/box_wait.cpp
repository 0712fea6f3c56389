#include "cli/box_wait.h"

#include <chrono>
#include <thread>

#include "hid/discovery.h"

namespace cli {

bool waitForBox(bootloader::BootLoader& session, int waitSeconds, std::FILE* say) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(waitSeconds);
    bool announced = false;
    for (;;) {
        (void)session.connect();  // waitForBox runs between operations; `connected` tells
        if (session.connected != 0) return true;
        if (waitSeconds > 0 && Clock::now() >= deadline) return false;
        if (!announced && say != nullptr) {
            if (waitSeconds > 0)
                std::fprintf(say, "arvex-cli: waiting up to %d s for an Arvex box (USB %s)...\n", waitSeconds,
                             hid::deviceMatchPattern);
            else
                std::fprintf(say, "arvex-cli: waiting for an Arvex box (USB %s)...\n",
                             hid::deviceMatchPattern);
            announced = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace cli
