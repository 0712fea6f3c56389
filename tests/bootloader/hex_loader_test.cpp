#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/result.h"
#include "bootloader/hex_loader.h"
#include "bootloader/line_reader.h"
#include "bootloader/memory_map.h"
#include "support/temp_dir.h"

namespace {

using bootloader::MemoryMap;
using bootloader::Region;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kUntouched = 0xA5;

MemoryMap makeMap(std::vector<Region> regions, std::uint8_t bytesPerAddress = 1) {
    MemoryMap map;
    map.bytesPerAddress = bytesPerAddress;
    map.packetDataSize = 56;
    for (const Region& region : regions) {
        map.images[map.regionCount].assign((region.size + 1) * bytesPerAddress, kUntouched);
        map.regions[map.regionCount++] = region;
    }
    return map;
}

// A well-formed record line with its checksum.
std::string record(int type, std::uint16_t address, const Bytes& data) {
    char buffer[8];
    std::string line = ":";
    unsigned sum = 0;
    const auto put = [&](unsigned byte) {
        std::snprintf(buffer, sizeof buffer, "%02X", byte & 0xFF);
        line += buffer;
        sum += byte & 0xFF;
    };
    put(static_cast<unsigned>(data.size()));
    put(address >> 8);
    put(address & 0xFF);
    put(static_cast<unsigned>(type));
    for (std::uint8_t byte : data) put(byte);
    put(0x100 - (sum & 0xFF));
    return line;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> gMessages;
void collect(int, const std::string& text) {
    gMessages.push_back(text);
}

int load(const std::string& text, MemoryMap& map) {
    gMessages.clear();
    bootloader::StringLineReader reader(text);
    return base::code(bootloader::loadHexRecords(reader, map, collect));
}

Bytes slice(const MemoryMap& map, int region, std::size_t offset, std::size_t count) {
    const auto& image = map.images[region];
    return Bytes(image.begin() + static_cast<long>(offset),
                 image.begin() + static_cast<long>(offset + count));
}

struct LoadCase {
    const char* name;
    std::string text;
    int result;
    std::size_t offset;  // where region 0 of a 0x100-unit map at 0x1000 is checked
    Bytes expected;
};

TEST(HexLoader, RecordsLandByPositionAndLoadingEndsWhereTheTextSays) {
    const std::string data = record(0, 0x1010, {1, 2, 3});
    const std::string eof = record(1, 0, {});
    const LoadCase cases[] = {
        {"plain data", data + "\n" + eof + "\n", 0, 0x10, {1, 2, 3}},
        {"crlf and no final newline", data + "\r\n" + eof, 0, 0x10, {1, 2, 3}},
        {"lower-case digits", lower(record(0, 0x1010, {0xAA, 0xBB, 0xCC})), 0, 0x10, {0xAA, 0xBB, 0xCC}},
        {"white space trimmed, blank lines skipped",
         "   \n\t" + data + "  \t\n \t \n" + record(0, 0x1013, {4}) + "\n",
         0,
         0x10,
         {1, 2, 3, 4}},
        {"empty line ends the load",
         data + "\n\n" + record(0, 0x1013, {4}) + "\nbad\n",
         0,
         0x10,
         {1, 2, 3, kUntouched}},
        {"nothing read after end of file",
         data + "\n" + eof + "\n" + record(0, 0x1013, {4}) + "\nbad\n",
         0,
         0x10,
         {1, 2, 3, kUntouched}},
        {"non-hex characters skipped inside a field", data + "\n:0z000001FF\nbad\n", 0, 0x10, {1, 2, 3}},
        {"no leading colon",
         data + "\n1003000000\n" + record(0, 0x1013, {4}),
         16,
         0x10,
         {1, 2, 3, kUntouched}},
        {"marker line 0A",
         data + "\n:0000000aff\n" + record(0, 0x1013, {4}),
         32,
         0x10,
         {1, 2, 3, kUntouched}},
        {"marker line 0B", ":0000000bff\n" + data, 32, 0x10, {kUntouched}},
        {"record starting before the region ignored whole",
         record(0, 0x0FFE, {9, 9, 9, 9}),
         0,
         0,
         {kUntouched, kUntouched}},
        {"other record types ignored",
         record(2, 0, {0x10, 0x00}) + "\n" + record(5, 0, {0, 0, 0, 1}) + "\n" + data,
         0,
         0x10,
         {1, 2, 3}},
        {"overwrites only what records cover",
         record(0, 0x1011, {0xFF}),
         0,
         0x10,
         {kUntouched, 0xFF, kUntouched}},
        {"short line reads missing fields as 0", ":00000001", 32, 0, {kUntouched}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryMap map = makeMap({{0, 0x1000, 0x100}});
        EXPECT_EQ(load(c.text, map), c.result);
        EXPECT_EQ(slice(map, 0, c.offset, c.expected.size()), c.expected);
    }
}

TEST(HexLoader, DiagnosticTexts) {
    MemoryMap map = makeMap({{0, 0x1000, 0x100}});
    EXPECT_EQ(load(record(0, 0x1000, {1}), map), 0);
    EXPECT_EQ(gMessages, std::vector<std::string>{"Fichero Hex cargado correctamente"});
    EXPECT_EQ(load("x", map), 16);
    EXPECT_EQ(gMessages, std::vector<std::string>{"ERROR: no leading ':' in row"});
    EXPECT_EQ(load(":00000001FE", map), 32);
    EXPECT_EQ(gMessages, std::vector<std::string>{"Error de checksum en el fichero .hex"});
    bootloader::StringLineReader reader(":00000001FE");
    EXPECT_EQ(base::code(bootloader::loadHexRecords(reader, map, nullptr)), 32);
}

TEST(HexLoader, ExtendedLinearAddressSelectsTheInformationRegion) {
    MemoryMap map = makeMap({{0, 0x1D000000, 0x7C000}, {0, 0x1D07C000, 0x3000}});
    const std::string text = ":020000041D07D6\n" + record(0, 0xC010, {0xDE, 0xAD}) + "\n" +
                             record(4, 0, {0x00, 0x00}) + "\n" + record(0, 0xC010, {0x77}) + "\n";
    EXPECT_EQ(load(text, map), 0);
    EXPECT_EQ(slice(map, 1, 0x10, 2), (Bytes{0xDE, 0xAD}));
    EXPECT_EQ(slice(map, 1, 0, 0x10), Bytes(0x10, kUntouched));
    // Address 0xC010 without the extension lies in no region.
    EXPECT_EQ(slice(map, 0, 0, 1), Bytes{kUntouched});
}

TEST(HexLoader, BytesStopAtTheImageEndEvenWhenTheNextRegionFollows) {
    // Region 0's image is (0x10 + 1) bytes; region 1 starts right after its last unit.
    MemoryMap map = makeMap({{0, 0x1000, 0x10}, {0, 0x1010, 0x10}});
    EXPECT_EQ(load(record(0, 0x100E, {1, 2, 3, 4, 5}), map), 0);
    EXPECT_EQ(slice(map, 0, 0x0E, 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(slice(map, 1, 0, 2), (Bytes{kUntouched, kUntouched}));
    // The first region in table order that holds the address wins.
    MemoryMap overlapping = makeMap({{0, 0x1000, 0x20}, {0, 0x1008, 0x20}});
    EXPECT_EQ(load(record(0, 0x1008, {7}), overlapping), 0);
    EXPECT_EQ(slice(overlapping, 0, 8, 1), Bytes{7});
    EXPECT_EQ(slice(overlapping, 1, 0, 1), Bytes{kUntouched});
}

TEST(HexLoader, TwoByteUnitsUseFileByteAddresses) {
    MemoryMap map = makeMap({{0, 0x0400, 0x100}}, 2);
    EXPECT_EQ(load(record(0, 0x0800, {1, 2, 3, 4}) + "\n" + record(0, 0x07FE, {9}), map), 0);
    EXPECT_EQ(slice(map, 0, 0, 4), (Bytes{1, 2, 3, 4}));
}

TEST(HexLoader, MapsWithoutRegionsOrUnitsTakeNothing) {
    MemoryMap empty;
    EXPECT_EQ(load(record(0, 0, {1, 2}) + "\n" + record(0, 0x1000, {3}), empty), 0);
    MemoryMap noUnits = makeMap({{0, 0x1000, 0x100}});
    noUnits.bytesPerAddress = 0;
    EXPECT_EQ(load(record(0, 0x1000, {1}), noUnits), 0);
    EXPECT_EQ(slice(noUnits, 0, 0, 1), Bytes{kUntouched});
    MemoryMap released = makeMap({{0, 0x1000, 0x100}});
    released.images[0].clear();
    EXPECT_EQ(load(record(0, 0x1000, {1}), released), 0);
}

TEST(HexLoader, OverlongAndGarbageLinesNeverWriteOutsideTheImage) {
    MemoryMap map = makeMap({{0, 0x0000, 0x10}});
    const std::string garbage[] = {
        ":FF000000" + std::string(600, 'F'),      // claims 255 bytes into a 17-byte image
        ":" + std::string(100000, '9'),           // far longer than any record
        ":\x01\xff\x80zz\x7f",                    // bytes outside the digit set
        ":FF0000" + std::string(3, '\0') + "00",  // embedded NULs
    };
    for (const std::string& line : garbage) {
        const int result = load(line, map);
        EXPECT_TRUE(result == 0 || result == 32) << result;
        EXPECT_EQ(map.images[0].size(), 0x11u);
    }
    // A record that claims more bytes than the line holds reads the missing ones (and its checksum) as 0.
    MemoryMap high = makeMap({{0, 0xFD00, 0x10}});
    EXPECT_EQ(load(":03FD000000", high), 0);
    EXPECT_EQ(slice(high, 0, 0, 4), (Bytes{0, 0, 0, kUntouched}));
}

TEST(LineReaders, FileAndTextYieldTheSameLines) {
    const std::string text = "one\r\ntwo\n\nthree\rfour\r\n" + std::string(5000, 'x') + "\nlast";
    const testsupport::TempDir folder;
    const std::string path = folder.file("lines.hex");
    std::ofstream(path, std::ios::binary) << text;

    bootloader::StringLineReader fromText(text);
    bootloader::FileLineReader fromFile(path);
    ASSERT_TRUE(fromFile.isOpen());
    const std::vector<std::string> expected = {"one", "two", "", "three", "four", std::string(5000, 'x'),
                                               "last"};
    for (const std::string& line : expected) {
        EXPECT_EQ(fromText.nextLine(), line);
        const std::string fileLine(fromFile.nextLine());
        EXPECT_EQ(fileLine, line.substr(0, bootloader::FileLineReader::kMaxLineLength));
    }
    EXPECT_EQ(fromText.nextLine(), "");
    EXPECT_EQ(fromFile.nextLine(), "");
    EXPECT_EQ(fromFile.nextLine(), "");

    bootloader::FileLineReader missing("/nonexistent/arvex.hex");
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(missing.nextLine(), "");
}

}  // namespace
