// The identity read against the simulated box and the decoding of the information blocks.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "arvex/config.h"
#include "bootloader/identity_decoder.h"
#include "bootloader/identity_read.h"
#include "sim/box/aes_encrypt.h"
#include "sim/box/information_area.h"
#include "sim/box/presets.h"
#include "sim_session.h"

namespace {

using namespace bootloader;

struct Texts {
    std::string reference, serial, date, reseller, firmwareVersion, hardwareVersion;
    bool operator==(const Texts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Texts& t) {
    return out << '[' << t.reference << '|' << t.serial << '|' << t.date << '|' << t.reseller << '|'
               << t.firmwareVersion << '|' << t.hardwareVersion << ']';
}

Texts textsOf(const BootLoaderField& f) {
    return {f.reference, f.serial, f.date, f.reseller, f.firmwareVersion, f.hardwareVersion};
}

class IdentityRead : public testsupport::SimSession {
protected:
    void startWith(const char* preset, std::uint8_t packetSize = 56) {
        sim::BoxConfig config = sim::defaultBoxConfig();
        config.targets[0].packetDataSize = config.targets[1].packetDataSize = packetSize;
        start({config});
        for (const sim::Preset& p : sim::presets())
            if (std::string(p.name) == preset) p.prepare(*box, 0);
        ASSERT_EQ(session->setIdentityKey(arvex::config::kIdentityKey.data(), 16), AccessResult::ok);
        runInline();
        ASSERT_EQ(session->connect(), ConnectResult::done);
    }

    Texts read(int target = 0) {
        EXPECT_EQ(session->selectTarget(target), AccessResult::ok);
        EXPECT_EQ(session->startOperation(kOpReadIdentity).code(), 0);
        BootLoaderField field;
        EXPECT_EQ(session->getField(0x100 + target, &field), AccessResult::ok);
        return textsOf(field);
    }

    // Seals a plain block into the box's memory at an information-block address.
    void putBlock(std::uint32_t address, const sim::AesBlock& plain, int target = 0) {
        sim::AesBlock sealed{};
        ASSERT_TRUE(sim::aesEncryptBlock128(plain, arvex::config::kIdentityKey, sealed));
        box->setMemory(target, address, std::vector<std::uint8_t>(sealed.begin(), sealed.end()));
    }
};

TEST_F(IdentityRead, PresetsDecodeToTheirIdentities) {
    struct Case {
        const char* preset;
        std::uint8_t packetSize;
        Texts expected;
    };
    const Case cases[] = {
        {"good", 56, {"AK02", "00012345", "14-09-2010", "Arvex", "1.0", "2"}},
        {"good", 48, {"AK02", "00012345", "14-09-2010", "Arvex", "1.0", "2"}},
        {"good", 16, {"AK02", "00012345", "14-09-2010", "Arvex", "1.0", "2"}},
        {"good", 58, {"AK02", "00012345", "14-09-2010", "Arvex", "1.0", "2"}},
        {"ak03", 56, {"AK03", "00023456", "14-09-2010", "Arvex", "1.0", "2"}},
        {"noversions", 56, {"AK02", "00034567", "14-09-2010", "Arvex", "", ""}},
        {"damaged", 56, {"AK", "00045678", "14-09-2010", "", "", ""}},
        {"unregistered", 56, {"AK02", "00077777", "14-09-2010", "Arvex", "1.0", "2"}},
        {"blocked", 56, {"AK03", "00066666", "14-09-2010", "Arvex", "1.0", "2"}},
        {"erased", 56, {"\xFF\xFF\xFF\xFF", "4294967295", "FF-FF-FFFF", "", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + " M=" + std::to_string(c.packetSize));
        startWith(c.preset, c.packetSize);
        EXPECT_EQ(read(), c.expected);
        EXPECT_EQ(session->readStatus, IdentityReadStatus::done);
        EXPECT_EQ(session->progress, 100);
    }
}

TEST_F(IdentityRead, DualModeReadsBothTargets) {
    startWith("good");
    const std::uint8_t options = kOptionDual;
    ASSERT_EQ(session->setOptions(&options), AccessResult::ok);
    sim::BoxIdentity other;
    other.serial = 99;
    other.reseller = "Second processor reseller name!";
    sim::writeInformationArea(*box, 1, other, arvex::config::kIdentityKey);
    EXPECT_EQ(session->startOperation(kOpReadIdentity).code(), 0);
    BootLoaderField first, second;
    ASSERT_EQ(session->getField(0x100, &first), AccessResult::ok);
    ASSERT_EQ(session->getField(0x101, &second), AccessResult::ok);
    EXPECT_EQ(first.serial, "00012345");
    EXPECT_EQ(second.serial, "00000099");
    EXPECT_EQ(second.reseller, "Second processor reseller name!");
    EXPECT_GT(box->counts(1).readMemory, 0);
}

TEST_F(IdentityRead, BlocksThatSayNothingKeepTheOldValues) {
    startWith("good");
    sim::AesBlock identity{0x39, 0x30, 0x00, 0x00, 'A', 'K', '0', '2', 0x10, 0x20, 0x09, 0x14, 0x01, 0, 0, 0};
    putBlock(0x1D07E000, identity);
    sim::AesBlock longName{};
    for (std::size_t i = 0; i < 16; ++i) longName[i] = static_cast<std::uint8_t>('a' + i);
    putBlock(0x1D07E010, longName);
    putBlock(0x1D07E020, {'Q', 'R', 'S'});
    EXPECT_EQ(read(), (Texts{"AK02", "00012345", "14-09-2010", "abcdefghijklmnopQRS", "1.0", "1"}));

    // Reseller block 2 starting with 0xFF leaves characters 17-32 alone; block 1 changes.
    sim::AesBlock erasedHalf{};
    erasedHalf.fill(0xFF);
    putBlock(0x1D07E020, erasedHalf);
    putBlock(0x1D07E010, {'X', 'Y', 'Z', 'x', 'y', 'z', 'X', 'Y', 'Z', 'x', 'y', 'z', 'X', 'Y', 'Z', '!'});
    EXPECT_EQ(read().reseller, "XYZxyzXYZxyzXYZ!QRS");

    // A box that stops answering leaves every field as it was and reports the failed read.
    box->stopAnswering(true);
    const Texts before = read();
    EXPECT_EQ(session->readStatus, IdentityReadStatus::failed);
    EXPECT_EQ(before.serial, "00012345");
}

TEST_F(IdentityRead, LyingAnswersNeverDecodeOutsideTheFrame) {
    struct Case {
        const char* name;
        sim::SimBackend::AnswerFilter filter;
    };
    const Case cases[] = {
        {"count 255", [](hid::Report& a) { a[6] = 255; }},
        {"count 59", [](hid::Report& a) { a[6] = 59; }},
        {"count 0", [](hid::Report& a) { a[6] = 0; }},
        {"address at the top of memory", [](hid::Report& a) { a[2] = a[3] = a[4] = a[5] = 0xFF; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startWith("good");
        const Texts good = read();
        box->setAnswerFilter(c.filter);
        EXPECT_EQ(read(), good) << "nothing decoded, nothing lost";
    }
}

TEST(IdentityBlocks, DecodedFields) {
    struct Case {
        IdentityBlock plain;
        std::string serial, reference, date, hardwareVersion;
    };
    const Case cases[] = {
        {{0x39, 0x30, 0, 0, 'A', 'K', '0', '2', 0x10, 0x20, 0x09, 0x14, 0xFF, 0xFF, 0xFF, 0xFF},
         "00012345",
         "AK02",
         "14-09-2010",
         ""},
        {{0x01, 0, 0, 0, 'A', 'K', 0, '2', 0x99, 0x19, 0x12, 0x31, 0x01, 0, 0, 0},
         "00000001",
         "AK",
         "31-12-1999",
         "1"},
        {{0xFF, 0xE1, 0xF5, 0x05, 'Z', 'Z', 'Z', 'Z', 0, 0x21, 0x01, 0x01, 0xFE, 0xFF, 0xFF, 0xFF},
         "100000255",
         "ZZZZ",
         "01-01-2100",
         "4294967294"},
    };
    for (const Case& c : cases) {
        IdentityScratch scratch;
        BootLoaderField field;
        applyIdentityBlock(kIdentityBlockAddress, c.plain, scratch, field);
        EXPECT_EQ(field.serial, c.serial);
        EXPECT_EQ(field.reference, c.reference);
        EXPECT_EQ(field.date, c.date);
        EXPECT_EQ(field.hardwareVersion, c.hardwareVersion);
    }
    struct FirmwareCase {
        IdentityBlock plain;
        std::string version;
    };
    const FirmwareCase firmware[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0, '1', '.', '0'}, "1.0"},
        {{9, 9, 9, 9, 9, 9, 9, 9, 'V', '1', '2', '.', '3', '4', '.', '5'}, "V12.34.5"},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, '2'}, ""},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, ""},
    };
    for (const FirmwareCase& c : firmware) {
        IdentityScratch scratch;
        BootLoaderField field;
        field.firmwareVersion = "old";
        applyIdentityBlock(kFirmwareBlockAddress, c.plain, scratch, field);
        EXPECT_EQ(field.firmwareVersion, c.version);
    }
}

TEST(IdentityBlocks, CollectorAssemblesSplitBlocksAndIgnoresOversizedCounts) {
    const std::array<std::uint8_t, 16> key = arvex::config::kIdentityKey;
    sim::AesBlock plain{0x39, 0x30, 0, 0, 'A', 'K', '0', '2'}, sealed{};
    ASSERT_TRUE(sim::aesEncryptBlock128(plain, key, sealed));
    std::vector<std::uint32_t> seen;
    IdentityBlockCollector collector(key, 1, 56, [&](std::uint32_t address, const IdentityBlock& block) {
        seen.push_back(address);
        if (address == kIdentityBlockAddress) {
            EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.end()),
                      std::vector<std::uint8_t>(plain.begin(), plain.end()));
        }
    });
    const auto answer = [](std::uint32_t address, const std::vector<std::uint8_t>& data) {
        hid::Report frame{};
        for (int i = 0; i < 4; ++i) frame[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
        frame[6] = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), frame.end() - static_cast<long>(data.size()));
        return frame;
    };
    // The first 10 bytes end one answer, the last 6 begin the next.
    std::vector<std::uint8_t> head(50, 0xEE);
    std::copy_n(sealed.begin(), 10, head.begin() + 40);
    collector.consume(answer(0x1D07E000 - 40, head));
    EXPECT_TRUE(seen.empty());
    std::vector<std::uint8_t> tail(30, 0xEE);
    std::copy_n(sealed.begin() + 10, 6, tail.begin());
    hid::Report lying = answer(0x1D07E00A, tail);
    lying[6] = 200;
    collector.consume(lying);
    EXPECT_TRUE(seen.empty());
    collector.consume(answer(0x1D07E00A, tail));
    // The second answer also covers reseller block 1 whole.
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x1D07E000, 0x1D07E010}));
}

// A 48-byte answer as the box sends it: address, count 48, data in bytes 7..54, 16-byte chunk k at byte
// 7 + 16k holding address + 16k. From the region start at 0x1D07C000 the identity block is chunk 2 of
// the answer at 0x1D07DFE0 (170 steps of 48 bytes).
TEST(IdentityBlocks, FortyEightByteAnswersCarryTheirChunksFromByteSeven) {
    const std::array<std::uint8_t, 16> key = arvex::config::kIdentityKey;
    sim::AesBlock plain{0x39, 0x30, 0, 0, 'A', 'K', '0', '2', 0x10, 0x20, 0x09, 0x14, 1, 0, 0, 0}, sealed{};
    ASSERT_TRUE(sim::aesEncryptBlock128(plain, key, sealed));
    hid::Report frame{};
    frame[1] = 0x05;
    const std::uint32_t address = 0x1D07C000 + 170 * 48;
    ASSERT_EQ(address, 0x1D07DFE0u);
    for (int i = 0; i < 4; ++i) frame[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
    frame[6] = 48;
    std::fill(frame.begin() + 7, frame.begin() + 55, 0xEE);
    std::copy(sealed.begin(), sealed.end(), frame.begin() + 7 + 16 * 2);

    // Read right-aligned (any other packet size), the same frame yields other bytes for that block.
    struct Case {
        std::uint8_t packetSize;
        bool matches;
    };
    for (const Case c : {Case{48, true}, Case{56, false}}) {
        std::optional<IdentityBlock> identity;
        IdentityBlockCollector collector(key, 1, c.packetSize,
                                         [&](std::uint32_t at, const IdentityBlock& block) {
                                             if (at == kIdentityBlockAddress) identity = block;
                                         });
        collector.consume(frame);
        ASSERT_TRUE(identity.has_value());
        EXPECT_EQ(std::equal(identity->begin(), identity->end(), plain.begin()), c.matches)
            << "M = " << int{c.packetSize};
        if (!c.matches) continue;
        IdentityScratch scratch;
        BootLoaderField field;
        applyIdentityBlock(kIdentityBlockAddress, *identity, scratch, field);
        EXPECT_EQ(field.serial, "00012345");
        EXPECT_EQ(field.date, "14-09-2010");
        EXPECT_EQ(field.hardwareVersion, "1");
    }
}

// Lying query answers: a region the session could not hold, or one whose end passes 32-bit addresses.
TEST_F(IdentityRead, RefusedRegionsAreNotRead) {
    struct Case {
        std::uint32_t start, size;
    };
    for (const Case c : {Case{0x1D07C000, 0xFFFFFFFF}, Case{0xFFFFF000, 0x2000}}) {
        sim::BoxConfig config = sim::defaultBoxConfig();
        config.targets[0].regions = {{1, c.start, 0x100}};
        start({config});
        box->setAnswerFilter([c](hid::Report& answer) {
            if (answer[1] != 0x01) return;
            for (int i = 0; i < 4; ++i) answer[5 + i] = static_cast<std::uint8_t>(c.start >> (8 * i));
            for (int i = 0; i < 4; ++i) answer[9 + i] = static_cast<std::uint8_t>(c.size >> (8 * i));
        });
        runInline();
        ASSERT_EQ(session->connect(), ConnectResult::done);
        EXPECT_TRUE(session->memoryMap().images[0].empty());
        box->clearHostFrames();
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(session->startOperation(kOpReadIdentity).code(), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
        EXPECT_EQ(box->counts(0).readMemory, 0) << std::hex << c.start;
    }
}

}  // namespace
