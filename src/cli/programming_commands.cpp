// arvex-cli identify, flash, read, erase-user-data and reset: the box-facing operations of the updater,
// run on the session's worker thread as the window runs them.
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/console_view.h"
#include "arvex/config.h"
#include "bootloader/frames.h"
#include "bootloader/hex_loader.h"
#include "bootloader/identity_decoder.h"
#include "bootloader/packet_writer.h"
#include "bootloader/programming.h"
#include "bootloader/read_answer.h"
#include "bootloader/session.h"
#include "bootloader/tables.h"
#include "bootloader/transfer.h"
#include "cli/backend_choice.h"
#include "cli/box_pick.h"
#include "cli/box_wait.h"
#include "cli/commands.h"
#include "cli/fleet_commands.h"
#include "hid/discovery.h"

namespace cli {

namespace {

using namespace bootloader;

struct ParsedArguments {
    int target = 0;
    bool dual = false;
    bool verify = false;
    FleetChoice fleet;
    std::string output;
    std::vector<std::string> words;
    std::string error;
};

// Accepts exactly the options a command names.
ParsedArguments parse(const std::vector<std::string>& arguments, bool takesTarget, bool takesDual,
                      bool takesVerify, bool takesOutput) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (takesTarget && word == "--target" && hasValue) {
            const std::string& value = arguments[++i];
            if (value != "0" && value != "1") parsed.error = "--target takes 0 or 1, not '" + value + "'";
            parsed.target = value == "1" ? 1 : 0;
        } else if (takesDual && word == "--dual") {
            parsed.dual = true;
        } else if (takesVerify && word == "--verify") {
            parsed.verify = true;
        } else if (takesVerify && (word == "--all" || word == "--wait-new")) {
            (word == "--all" ? parsed.fleet.all : parsed.fleet.waitNew) = true;
        } else if (takesOutput && (word == "-o" || word == "--output") && hasValue) {
            parsed.output = arguments[++i];
        } else if (word.size() > 1 && word[0] == '-') {
            parsed.error = "unknown option '" + word + "'";
        } else {
            parsed.words.push_back(word);
        }
    }
    return parsed;
}

// The usage error for arguments that do not fit: the parser's own complaint, else the words' count.
ExitCode badArguments(const char* command, const ParsedArguments& parsed, std::size_t words) {
    if (!parsed.error.empty()) return usageError(command, parsed.error);
    if (parsed.words.size() > words)
        return usageError(command, "unexpected argument '" + parsed.words[words] + "'");
    return usageError(command, "missing argument");
}

// A connected session on the chosen backend, addressing one target (or both with dual).
class BoxSession {
public:
    BoxSession(const GlobalOptions& options, int target, bool dual)
        : events_(*options.events),
          quiet_(options.quiet),
          choice_(options),
          pick_(choice_.ok() ? pickBox(options, choice_.backend()) : BoxPick{{}, ExitCode::usage}),
          session_(choice_.backend(), {}, pick_.path) {
        if (!choice_.ok()) {
            error_ = choice_.error();
            exitCode_ = ExitCode::usage;
            return;
        }
        if (pick_.code != ExitCode::done) {  // pickBox has said why
            exitCode_ = pick_.code;
            return;
        }
        // A fresh session runs nothing, so no setting is refused.
        (void)session_.setIdentityKey(arvex::config::kIdentityKey.data(), arvex::config::kIdentityKey.size());
        (void)session_.setSecondaryKey(arvex::config::kSecondaryKey.data(),
                                       arvex::config::kSecondaryKey.size());
        const std::uint8_t bits = kOptionWorkerThread | (dual ? kOptionDual : 0);
        (void)session_.setOptions(&bits);
        if (session_.selectTarget(target) != AccessResult::ok) {
            exitCode_ = ExitCode::usage;
            error_ = "target " + std::to_string(target) + " does not exist: use 0 or 1";
            return;
        }
        if (!waitForBox(session_, options.waitSeconds, options.quiet ? nullptr : stderr)) {
            exitCode_ = ExitCode::noBox;
            error_ = std::string("no Arvex box found (USB ") + hid::deviceMatchPattern + ") within " +
                     std::to_string(options.waitSeconds) + " s";
            if (const base::Status cause = session_.lastFailure();
                !cause.ok() && session_.discoveryResult == 1)
                error_ += ": " + cause.cause();
            return;
        }
        events_.found(session_.devicePath());
        const MemoryMap& map = session_.memoryMap();
        if (map.packetDataSize == 0 && map.regionCount == 0) error_ = "the box did not answer the query";
    }

    bool ok() const { return error_.empty() && exitCode_ == ExitCode::failed; }
    const Events& events() const { return events_; }
    // The message and exit code for a session that could not be made.
    ExitCode fail() const;
    BootLoader& session() { return session_; }

    // Runs an operation on the worker and waits for it, with a progress bar on a terminal.
    int run(int operation, const char* caption) {
        if (const StartOutcome started = session_.startOperation(operation); !started.ok())
            return started.code();
        const bool bar = caption != nullptr && !quiet_ && isatty(fileno(stdout)) != 0;
        int shown = -1;
        ProgressEvents progress(events_, session_.devicePath(), caption != nullptr ? caption : "operation");
        while (session_.isWorkerRunning()) {
            const int percent = session_.getProgress();
            if (caption != nullptr) progress.update(percent);
            if (bar && percent != shown) {
                shown = percent;
                const int filled = percent * 40 / 100;
                std::printf("\r%s [%s%s] %3d%%", caption, std::string(filled, '#').c_str(),
                            std::string(40 - filled, '.').c_str(), percent);
                std::fflush(stdout);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (bar) std::printf("\r%s [%s] 100%%\n", caption, std::string(40, '#').c_str());
        if (caption != nullptr && session_.lastResult == 0) progress.update(100);
        return session_.lastResult;
    }

private:
    const Events& events_;
    bool quiet_;
    BackendChoice choice_;  // outlives the session, so the simulated memory is saved after its last write
    BoxPick pick_;
    BootLoader session_;
    std::string error_;
    ExitCode exitCode_ = ExitCode::failed;
};

ExitCode fail(const std::string& message) {
    std::fprintf(stderr, "arvex-cli: %s\n", message.c_str());
    return ExitCode::failed;
}

ExitCode BoxSession::fail() const {
    if (!error_.empty()) std::fprintf(stderr, "arvex-cli: %s\n", error_.c_str());
    return exitCode_;
}

void reportIdentity(const Events& events, const std::string& box, int target, const BootLoaderField& field) {
    events.emit(Events::event("identity", box)
                    .number("target", target)
                    .text("reference", field.reference)
                    .text("serial", field.serial)
                    .text("date", field.date)
                    .text("reseller", field.reseller)
                    .text("firmwareVersion", field.firmwareVersion)
                    .text("hardwareVersion", field.hardwareVersion));
}

void printIdentity(const BootLoaderField& field) {
    const std::pair<const char*, const std::string*> rows[] = {
        {"Reference", &field.reference},
        {"Serial number", &field.serial},
        {"Date", &field.date},
        {"Reseller", &field.reseller},
        {"Firmware version", &field.firmwareVersion},
        {"Hardware version", &field.hardwareVersion},
    };
    for (const auto& [label, text] : rows)
        std::printf("  %-17s %s\n", label, app::cp1252ToUtf8(*text).c_str());
}

ExitCode identify(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, false, true, false, false);
    if (!parsed.error.empty() || !parsed.words.empty()) return badArguments("identify", parsed, 0);
    BoxSession box(options, 0, parsed.dual);
    if (!box.ok()) return box.fail();
    box.run(kOpReadIdentity, nullptr);
    if (box.session().readStatus != IdentityReadStatus::done)
        return fail("reading the identity failed (status " +
                    std::to_string(base::code(box.session().readStatus.load())) + ")");
    for (int target = 0; target < (parsed.dual ? 2 : 1); ++target) {
        BootLoaderField field;
        if (box.session().getField(0x100 + target, &field) != AccessResult::ok)
            return fail("reading the identity of target " + std::to_string(target) + " failed");
        std::printf("target %d\n", target);
        printIdentity(field);
        reportIdentity(box.events(), box.session().devicePath(), target, field);
    }
    return ExitCode::done;
}

// Regions and extents that programming writes for a target, in device address units.
struct Span {
    std::size_t region;
    std::uint32_t start;
    std::uint64_t units;
};

std::vector<Span> programmedSpans(const MemoryMap& map, int target, std::uint8_t options) {
    std::vector<Span> spans;
    const bool protect = (options & kOptionWriteProtectedArea) == 0;
    for (std::size_t r = 0; r < std::min<std::size_t>(map.regionCount, kMaxRegions); ++r) {
        const Region& region = map.regions[r];
        if (region.type == 3 || (protect && region.start > kLastUnprotectedAddress)) continue;
        std::uint64_t units =
            target == 1 ? region.size : std::min<std::uint32_t>(region.size, kTarget0ProgramSpan);
        if (protect)
            units = std::min<std::uint64_t>(units, std::uint64_t{kLastUnprotectedAddress} + 1 - region.start);
        spans.push_back({r, region.start, units});
    }
    return spans;
}

// Reads the programmed spans back through the bootloader and compares them with the loaded image.
ExitCode verify(BootLoader& session, const MemoryMap& expected, int target) {
    const std::vector<Span> spans = programmedSpans(expected, target, session.options);
    const std::size_t unitBytes = expected.bytesPerAddress;
    std::vector<std::vector<std::uint8_t>> readBack(kMaxRegions);
    std::vector<std::vector<bool>> seen(kMaxRegions);
    std::vector<std::size_t> regions;
    for (const Span& span : spans) {
        readBack[span.region].assign(span.units * unitBytes, 0);
        seen[span.region].assign(span.units * unitBytes, false);
        regions.push_back(span.region);
    }
    const ReadMemoryOutcome outcome = readMemory(session, regions, 0, [&](const hid::Report& answer) {
        const std::optional<ReadAnswer> decoded = decodeReadAnswer(answer, expected.packetDataSize);
        if (!decoded) return;
        const std::uint32_t address = decoded->address;
        const std::size_t count = decoded->data.size();
        for (const Span& span : spans) {
            if (address < span.start || address >= span.start + span.units) continue;
            const std::size_t offset = (address - span.start) * unitBytes;
            for (std::size_t i = 0; i < count && offset + i < readBack[span.region].size(); ++i) {
                readBack[span.region][offset + i] = decoded->data[i];
                seen[span.region][offset + i] = true;
            }
            return;
        }
    });
    if (outcome != ReadMemoryOutcome::done) return fail("verify: reading the box back failed");
    std::size_t mismatches = 0, checked = 0;
    for (const Span& span : spans) {
        const auto& image = expected.images[span.region];
        for (std::size_t i = 0; i < readBack[span.region].size(); ++i, ++checked) {
            if (seen[span.region][i] && readBack[span.region][i] == image[i]) continue;
            if (mismatches++ == 0)
                std::fprintf(stderr, "verify: first difference at 0x%08zX: box %02X, image %02X%s\n",
                             span.start + i / unitBytes, readBack[span.region][i], image[i],
                             seen[span.region][i] ? "" : " (not read)");
        }
    }
    if (mismatches != 0) return fail("verify: " + std::to_string(mismatches) + " bytes differ");
    std::printf("verify: %zu bytes match the image\n", checked);
    return ExitCode::done;
}

ExitCode flash(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, true, false, true, false);
    if (!parsed.error.empty() || parsed.words.size() != 1) return badArguments("flash", parsed, 1);
    const bool fleet = parsed.fleet.all || parsed.fleet.waitNew;
    if (fleet && parsed.verify) return usageError("flash", "--verify does not go with --all or --wait-new");
    const std::string& file = parsed.words[0];
    if (const auto refusal = imageFileRefusal(file)) return fail("cannot open " + file + ": " + *refusal);
    if (fleet) return static_cast<ExitCode>(flashEveryBox(options, file, parsed.target, parsed.fleet));
    FileLineReader reader(file);
    if (!reader.isOpen()) return fail("cannot open " + file);
    BoxSession box(options, parsed.target, false);
    if (!box.ok()) return box.fail();

    const std::string path = box.session().devicePath();
    box.session().setDiagnosticHook([&options, &path](int level, const std::string& text) {
        if (level == 1 || options.verbose) std::fprintf(stderr, "%s\n", text.c_str());
        if (level == 1) options.events->log(path, text, "error");
    });
    const HexLoadReport loaded = loadHexImageWithReport(box.session(), reader);
    box.session().setDiagnosticHook(nullptr);
    // Everything is checked before the box is erased.
    if (loaded.lineCut) return fail(file + ": " + loaded.cause + "; the box was not touched");
    if (loaded.code == HexResult::noColon)
        return fail(file + ": " + loaded.cause + ": a line does not start with ':'; the box was not touched");
    if (loaded.code == HexResult::checksum)
        return fail(file + ": " + loaded.cause +
                    ": a record's checksum does not match; the box was not touched");
    if (const auto refusal = imageRefusal(loaded, true))
        return fail(file + ": " + *refusal + "; the box was not touched");
    const MemoryMap image = box.session().memoryMap();

    const int result = box.run(kOpProgram, "Programming");
    const PacketCounts counts = box.session().lastProgramCounts(parsed.target);
    std::printf("target %d: %d packets written, %d blank packets skipped, %d program-complete frames\n",
                parsed.target, counts.dataFrames, counts.skippedPackets, counts.completeFrames);
    if (result != 0 || box.session().programStatus != ProgramStatus::done)
        return fail("programming failed [" + std::to_string(result) + "], status " +
                    std::to_string(base::code(box.session().programStatus.load())));
    if (parsed.verify) return verify(box.session(), image, parsed.target);
    return ExitCode::done;
}

ExitCode read(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, true, false, false, true);
    if (!parsed.error.empty() || !parsed.words.empty()) return badArguments("read", parsed, 0);
    if (parsed.output.empty()) return usageError("read", "-o FILE is missing");
    BoxSession box(options, parsed.target, false);
    if (!box.ok()) return box.fail();
    const MemoryMap& map = box.session().memoryMap();
    std::optional<std::size_t> first;
    for (std::size_t r = 0; r < std::min<std::size_t>(map.regionCount, kMaxRegions) && !first; ++r)
        if (map.regions[r].type != 3) first = r;
    if (!first) return fail("the box reports no programmable region");
    const std::size_t regions[] = {*first};
    if (readMemory(box.session(), regions, 0, [](const hid::Report&) {}) != ReadMemoryOutcome::done)
        return fail("reading the box failed");
    const Region& region = map.regions[*first];
    const std::vector<std::uint8_t>& image = map.images[*first];
    const std::size_t bytes = std::size_t{region.size} * map.bytesPerAddress;
    std::ofstream out(parsed.output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(std::min(bytes, image.size())));
    if (!out) return fail("cannot write " + parsed.output);
    std::printf("target %d: region at 0x%08X, %zu bytes written to %s\n", parsed.target, region.start, bytes,
                parsed.output.c_str());
    return ExitCode::done;
}

ExitCode simpleOperation(const GlobalOptions& options, const std::vector<std::string>& arguments,
                         int operation, const char* command, const char* done) {
    const ParsedArguments parsed = parse(arguments, true, true, false, false);
    if (!parsed.error.empty() || !parsed.words.empty()) return badArguments(command, parsed, 0);
    BoxSession box(options, parsed.target, parsed.dual);
    if (!box.ok()) return box.fail();
    if (const int result = box.run(operation, nullptr); result != 0)
        return fail(std::string(done) + " failed [" + std::to_string(result) + "]");
    std::printf("%s\n", done);
    return ExitCode::done;
}

ExitCode eraseUserData(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    return simpleOperation(options, arguments, kOpEraseUserData, "erase-user-data", "user data erased");
}

ExitCode reset(const GlobalOptions& options, const std::vector<std::string>& arguments) {
    return simpleOperation(options, arguments, kOpReset, "reset", "reset sent");
}

constexpr const char* kTargetDualOptions =
    "  --target 0|1      the processor to address (default 0)\n"
    "  --dual            address both processors\n";

const std::array kCommands = {
    Command{"identify", "identify [--dual]", "read and show the box's identity",
            "  --dual            both processors\n", identify},
    Command{"flash", "flash FILE.hex [--target 0|1] [--verify | --all | --wait-new]",
            "erase the box and program the image",
            "  --target 0|1      the processor to program (default 0)\n"
            "  --verify          read the box back afterwards and compare it with the image\n"
            "  --all             every box present, at once, with a summary at the end\n"
            "  --wait-new        each box as it is plugged in, until interrupted\n",
            flash},
    Command{"read", "read [--target 0|1] -o FILE", "save the first programmable region to a binary file",
            "  --target 0|1      the processor to read (default 0)\n"
            "  -o, --output FILE the file to write\n",
            read},
    Command{"erase-user-data", "erase-user-data [--target 0|1] [--dual]", "erase the box's user data",
            kTargetDualOptions, eraseUserData},
    Command{"reset", "reset [--target 0|1] [--dual]", "restart the box", kTargetDualOptions, reset},
};

}  // namespace

std::span<const Command> programmingCommands() {
    return kCommands;
}

}  // namespace cli
