// The device session: everything the updater knows about one box (its fields, memory map and image
// buffers, identity scratch, transfer settings, the device path and the HID backend it talks through) and
// the settings of the next operation. One per box; several live side by side, each with its own worker.
// The window reads and writes it through the accessors and startOperation.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/result.h"
#include "bootloader/packet_writer.h"
#include "bootloader/settings.h"
#include "bootloader/tables.h"
#include "hid/discovery.h"

namespace bootloader {

// One box identity, as decoded from the information area.
struct BootLoaderField {
    std::string reference;        // up to 4 characters, e.g. "AK02"
    std::string serial;           // decimal, left-padded with "0" to at least 8 digits
    std::string date;             // "DD-MM-YYYY"
    std::string reseller;         // up to 32 characters
    std::string firmwareVersion;  // up to 8 characters, or empty
    std::string hardwareVersion;  // decimal, or empty when the box holds none
};

struct BootLoaderKeys {
    std::string first, second, third;
};

struct Event {
    std::int32_t kind = 0;
    std::int32_t code = 0;
    std::int32_t operation = 0;
    std::string text;
    std::int32_t extra = 0;
};

using EventCallback = std::function<void(std::int32_t kind, std::int32_t code, std::int32_t operation,
                                         const std::string& text, std::int32_t extra)>;

// Results of the accessors.
enum class AccessResult : int { ok = 0, busy = 1, missingArgument = 2, badIndex = 3 };

enum OptionBit : std::uint8_t {
    kOptionWorkerThread = 1,    // operations run on a worker thread
    kOptionDual = 2,            // operations that support it run for target 0, then target 1
    kOptionWriteProtected = 4,  // programming may write above 0x1D07CFFF (the identity area)
    kOptionFinishCommand = 8,   // programming ends with command 0x06
};

enum EventKind : std::int32_t { kEventError = 0, kEventOperation = 2 };
enum EventCode : std::int32_t {
    kEventOperationRunning = 3,
    kEventMissingEntryPoint = 256,
    kEventStarts = 16,
    kEventEndsOk = 17,
    kEventEndsFault = 18,
};

enum Operation : int {
    kOpReadIdentity = 1,
    kOpNothing = 2,
    kOpErase = 3,
    kOpQuery = 4,
    kOpProgram = 5,
    kOpCommand06 = 6,
    kOpSearch = 7,
    kOpCommand50 = 8,
    kOpReserved9 = 9,
    kOpReset = 10,
    kOpResetIfRequested = 11,
    kOpReserved12 = 12,
    kOpEraseUserData = 13,
    kOpEraseUserDataIfRequested = 14,
    kOperationLimit = 15,  // startOperation refuses this and above
};

enum class StartResult : int {
    started = 0,
    notPresentOrBusy = 1,
    noSession = 3,
    badOperation = 4,
    threadFailed = 5,
};

// What startOperation did: started the worker, refused, or ran the operation on the calling thread (the
// worker option clear, or a start from inside the event callback) and got its result.
struct StartOutcome {
    StartResult start = StartResult::started;
    int ranHere = 0;  // the result of an operation run on the calling thread

    // The number the caller sees: the refusal's, else the result of an operation run here; 0 when all is
    // well.
    [[nodiscard]] int code() const { return start != StartResult::started ? base::code(start) : ranHere; }
    [[nodiscard]] bool ok() const { return code() == 0; }
};

enum class ConnectResult : int { done = 0, busy = -1 };  // whether a box was found shows in `connected`

// Status byte values: what the last command of each kind left, for the window to read.
enum class QueryStatus : std::uint8_t {
    cleared = 0,
    answered = 1,
    writeFailed = 2,
    readFailed = 3,
    sessionOpened = 255,
};
enum class ProgramStatus : std::uint8_t {
    none = 0,  // not initialised yet
    done = 1,
    writeFailed = 2,
    eraseAnswerFailed = 3,
    erasing = 5,
    writing = 6,
    idle = 255,
};
// erase, erase user data, 0x06, 0x50
enum class CommandStatus : std::uint8_t { none = 0, done = 1, failed = 2 };
enum class IdentityReadStatus : std::uint8_t { none = 0, done = 1, failed = 2, writeOpenFailed = 3 };

// Results of the single commands.
enum class CommandResult : int {
    ok = 0,
    noWriteHandle = 1,  // erase, erase user data, 0x06, 0x50; the query: write handle
    noReadHandle = 2,
    resetNoWriteHandle = 3,
    resetWriteFailed = 5,
    reservedOperation = 0xC000,  // operations 9 and 12
};

class BootLoader {
public:
    // Talks to the box through backend (null: the machine's real HID link). With a devicePath only the
    // interface of that path counts as the box; without, the first matching interface.
    explicit BootLoader(std::shared_ptr<hid::Backend> backend, EventCallback eventCallback = {},
                        std::string devicePath = {});
    ~BootLoader();  // waits for a running worker
    BootLoader(const BootLoader&) = delete;
    BootLoader& operator=(const BootLoader&) = delete;

    [[nodiscard]] int initialise();
    void setEventCallback(EventCallback eventCallback);

    // Zero the key, then copy up to 16 bytes; refused (busy) while an operation runs.
    [[nodiscard]] AccessResult setIdentityKey(const std::uint8_t* data, std::size_t length);
    [[nodiscard]] AccessResult setSecondaryKey(const std::uint8_t* data, std::size_t length);

    // False on the thread that runs the event callback; elsewhere whether the worker still runs.
    [[nodiscard]] bool isBusy();
    [[nodiscard]] AccessResult selectTarget(std::int32_t t);  // badIndex for a target other than 0 or 1
    [[nodiscard]] AccessResult setOptions(const std::uint8_t* value);
    [[nodiscard]] AccessResult getOptions(std::uint8_t* out);
    // 0x100 + t: identity[t]; 0x200 + t: spareIdentity[t]
    [[nodiscard]] AccessResult getField(int index, BootLoaderField* out);
    std::uint8_t getProgress() const { return progress; }
    [[nodiscard]] AccessResult clearIdentity();  // refused (busy) while an operation runs
    void postEvent(std::int32_t kind, std::int32_t code, std::int32_t operation, const std::string& text,
                   std::int32_t extra);
    Event lastEvent() const;

    // Device path and operations
    [[nodiscard]] std::uint8_t findDevice();  // the search, posting an error event per missing facility
    bool isDevicePresent();
    [[nodiscard]] ConnectResult connect();
    [[nodiscard]] StartOutcome startOperation(int operation);
    bool isWorkerRunning();
    [[nodiscard]] int openSession();

    // What the session holds of its box. The worker writes these while an operation runs; read and change
    // them only between operations.
    [[nodiscard]] SessionTables& tables() { return tables_; }
    [[nodiscard]] MemoryMap& memoryMap() { return tables_.map; }
    [[nodiscard]] const MemoryMap& memoryMap() const { return tables_.map; }
    [[nodiscard]] TransferSettings& transferSettings() { return transfer_; }
    [[nodiscard]] const TransferSettings& transferSettings() const { return transfer_; }
    void setDiagnosticHook(DiagnosticHook hook) { tables_.diagnosticHook = std::move(hook); }
    // Writes through the diagnostic hook when one is installed.
    void diagnostic(int level, const std::string& text) const;

    // The HID side: the backend, the binding and the device path found by the last search.
    [[nodiscard]] hid::Discovery& discovery() { return discovery_; }
    [[nodiscard]] const hid::Discovery& discovery() const { return discovery_; }
    [[nodiscard]] hid::Backend& backend() const { return discovery_.backend(); }
    [[nodiscard]] std::string devicePath() const { return discovery_.devicePath(); }
    // Binds the platform's device services (see hid::Discovery::bindFacilities) and resets the tables;
    // the constructor does it once.
    [[nodiscard]] hid::BindingError bindSystemLibraries();
    // Releases the image buffers and forgets the device path.
    void disconnect();
    void releaseImages() { bootloader::releaseImages(tables_.map); }

    // The first failure to reach the box since the last connect: "cannot open /dev/hidraw3: Permission
    // denied"; success when the connect and every open since succeeded. For the debug log and arvex-cli.
    [[nodiscard]] base::Status lastFailure() const;
    void noteFailure(const base::Status& failure);  // kept only when none is noted yet

    // What the last programming of a target wrote and skipped.
    [[nodiscard]] PacketCounts lastProgramCounts(int target) const;
    void storeProgramCounts(int target, const PacketCounts& counts);

    // The single commands (results and status bytes as the operations report them)
    [[nodiscard]] CommandResult queryDevice();
    [[nodiscard]] CommandResult eraseDevice();
    [[nodiscard]] CommandResult eraseUserData(bool onlyIfRequested);
    [[nodiscard]] CommandResult resetDevice(bool onlyIfRequested);
    [[nodiscard]] CommandResult sendCommand06();
    [[nodiscard]] CommandResult sendCommand50();

    // Fields. Those the worker writes while another thread may read them are atomic.
    std::atomic<QueryStatus> queryStatus{QueryStatus::cleared};
    std::atomic<ProgramStatus> programStatus{ProgramStatus::none};
    std::atomic<CommandStatus> eraseStatus{CommandStatus::none};
    std::atomic<IdentityReadStatus> readStatus{IdentityReadStatus::none};
    std::atomic<CommandStatus> finishStatus{CommandStatus::none};
    std::atomic<CommandStatus> command50Status{CommandStatus::none};
    std::array<std::uint8_t, 16> identityKey{};
    std::array<std::uint8_t, 16> secondaryKey{};
    std::atomic<std::uint32_t> connected{0};
    std::atomic<std::uint8_t> inCallback{0};
    std::atomic<std::uint8_t> progress{0};
    std::atomic<std::uint32_t> writeOpenError{0};
    std::atomic<std::uint32_t> readOpenError{0};
    std::atomic<std::uint32_t> discoveryResult{0};
    std::uint8_t options = 0;
    std::int32_t target = 0;
    std::array<BootLoaderField, 2> identity;
    std::array<BootLoaderField, 2> spareIdentity;
    std::array<BootLoaderKeys, 2> keys;
    std::atomic<std::int32_t> lastResult{0};
    std::uint8_t resetRequested = 0;
    std::uint8_t eraseUserDataRequested = 0;

private:
    friend int runOperation(BootLoader* session, int operation);
    [[nodiscard]] bool inCallbackHere() const;
    int performOperation(int operation);

    hid::Discovery discovery_;
    SessionTables tables_;
    TransferSettings transfer_;
    mutable std::mutex failureMutex_;
    base::Status lastFailure_;
    mutable std::mutex countsMutex_;
    std::array<PacketCounts, 2> programCounts_{};

    EventCallback callback_;
    mutable std::mutex eventMutex_;
    Event event_;

    // The threads inside this session's event callback, once per nesting level. The busy check is waived
    // only for them; every other thread, and this session's callback thread towards another session,
    // still sees the worker as busy.
    mutable std::mutex callbackThreadsMutex_;
    std::vector<std::thread::id> callbackThreads_;

    std::mutex workerMutex_;
    std::thread worker_;
    std::atomic<bool> workerRunning_{false};  // cleared by the worker as its last act
};

// The operation routine: start event, the operation, lastResult, end event. 2 when there is no session.
[[nodiscard]] int runOperation(BootLoader* session, int operation);

// startOperation for a session that may be missing (noSession).
[[nodiscard]] StartOutcome startOperation(BootLoader* session, int operation);

}  // namespace bootloader
