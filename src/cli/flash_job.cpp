#include "cli/flash_job.h"

#include <chrono>
#include <thread>

#include "arvex/config.h"
#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "bootloader/session.h"
#include "cli/box_wait.h"

namespace cli {

namespace {

using namespace bootloader;

constexpr auto kProgressEvery = std::chrono::milliseconds(50);

// Called on a session that runs nothing yet, so no setting is refused.
void prepare(BootLoader& session) {
    (void)session.setIdentityKey(arvex::config::kIdentityKey.data(), arvex::config::kIdentityKey.size());
    (void)session.setSecondaryKey(arvex::config::kSecondaryKey.data(), arvex::config::kSecondaryKey.size());
    const std::uint8_t bits = kOptionWorkerThread;
    (void)session.setOptions(&bits);
    (void)session.selectTarget(0);
}

// Runs an operation on the session's worker; the calling thread only looks at the progress now and then.
int runOperation(BootLoader& session, int operation, const char* phase, BoxReporter* reporter) {
    if (const StartOutcome started = session.startOperation(operation); !started.ok()) return started.code();
    while (session.isWorkerRunning()) {
        if (reporter != nullptr) reporter->progress(phase, session.getProgress());
        std::this_thread::sleep_for(kProgressEvery);
    }
    return session.lastResult;
}

bool connectTo(BootLoader& session, int waitSeconds) {
    return waitForBox(session, waitSeconds, nullptr) && session.memoryMap().packetDataSize != 0;
}

std::string serialOf(BootLoader& session) {
    if (runOperation(session, kOpReadIdentity, "identity", nullptr) != 0 ||
        session.readStatus != IdentityReadStatus::done)
        return {};
    BootLoaderField field;
    if (session.getField(0x100, &field) != AccessResult::ok) return {};
    return field.serial;
}

BoxOutcome failed(std::string result, int code = 1) {
    return BoxOutcome{code, std::move(result), false};
}

}  // namespace

std::string readBoxSerial(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                          int waitSeconds) {
    BootLoader session(backend, {}, path);
    prepare(session);
    if (!connectTo(session, waitSeconds)) return {};
    return serialOf(session);
}

BoxOutcome flashBox(const std::shared_ptr<hid::Backend>& backend, const std::string& path,
                    const FlashRequest& request, BoxReporter& reporter) {
    BootLoader session(backend, {}, path);
    prepare(session);
    if (!connectTo(session, request.waitSeconds)) {
        const base::Status cause = session.lastFailure();
        return failed("no answer from the box" + (cause.ok() ? std::string() : ": " + cause.cause()), 5);
    }
    if (const std::string serial = serialOf(session); !serial.empty()) reporter.serial(serial);

    // Everything is checked before the box is erased.
    if (session.selectTarget(request.target) != AccessResult::ok)
        return failed("target " + std::to_string(request.target) + " does not exist: use 0 or 1", 2);
    if (const auto refusal = imageFileRefusal(request.file))
        return failed("cannot open " + request.file + ": " + *refusal);
    FileLineReader reader(request.file);
    if (!reader.isOpen()) return failed("cannot open " + request.file);
    const HexLoadReport loaded = loadHexImageWithReport(session, reader);
    if (loaded.lineCut || loaded.code == HexResult::noColon || loaded.code == HexResult::checksum)
        return failed(request.file + ": " + loaded.cause + "; the box was not touched");
    if (const auto refusal = imageRefusal(loaded, true))
        return failed(request.file + ": " + *refusal + "; the box was not touched");

    const int result = runOperation(session, kOpProgram, "Programming", &reporter);
    if (result != 0 || session.programStatus != ProgramStatus::done)
        return failed("programming failed [" + std::to_string(result) + "], status " +
                      std::to_string(base::code(session.programStatus.load())));
    const PacketCounts counts = session.lastProgramCounts(request.target);
    reporter.line(std::to_string(counts.dataFrames) + " packets written, " +
                  std::to_string(counts.skippedPackets) + " blank packets skipped");
    return BoxOutcome{0, "done", false};
}

}  // namespace cli
