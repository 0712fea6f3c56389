#include "sim/server/support_server.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "../server/stand_in_fixture.h"
#include "arvex/config.h"
#include "base/result.h"
#include "crypto/aes.h"
#include "sim/server/sample_catalogue.h"

namespace {

using namespace server;

// Decodes Intel HEX text independently of the box side: address -> byte, checksums verified.
std::map<std::uint32_t, std::uint8_t> decodeHex(const std::string& text, bool& valid) {
    std::map<std::uint32_t, std::uint8_t> memory;
    valid = false;
    std::uint32_t upper = 0;
    std::size_t start = 0;
    bool ended = false;
    while (start < text.size() && !ended) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return memory;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() < 11 || line[0] != ':') return memory;
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        unsigned sum = 0;
        for (std::uint8_t b : bytes) sum += b;
        if ((sum & 0xFF) != 0 || bytes.size() != bytes[0] + 5u) return memory;
        const std::uint32_t address = upper | (bytes[1] << 8 | bytes[2]);
        switch (bytes[3]) {
            case 0:
                for (std::size_t k = 0; k < bytes[0]; ++k)
                    memory[address + static_cast<std::uint32_t>(k)] = bytes[4 + k];
                break;
            case 1:
                ended = true;
                break;
            case 4:
                upper = static_cast<std::uint32_t>(bytes[4] << 8 | bytes[5]) << 16;
                break;
            default:
                return memory;
        }
    }
    valid = ended && start == text.size();
    return memory;
}

// Program code inside the span that target 0 programs, then the firmware block at 0x1D07C000 whose decrypted
// bytes 8-15 are the version text; the current AK02 image is as large as a real one.
TEST(SampleCatalogueTest, ImagesAreValidIntelHexWithCodeAndTheirFirmwareBlock) {
    constexpr std::uint32_t kFirmwareBlock = 0x1D07C000;
    struct Case {
        sim::SampleImageId id;
        const char* version;
        std::size_t minimumCode;
    } cases[] = {
        {sim::SampleImageId::ak02Current, "1.3", 384 * 1024},
        {sim::SampleImageId::ak02Older, "1.2", 1},
        {sim::SampleImageId::ak03Target0, "2.0", 1},
        {sim::SampleImageId::ak03Target1, "2.0", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const sim::SampleImage image = sim::sampleImage(c.id);
        bool valid = false;
        auto memory = decodeHex(image.hexText, valid);
        ASSERT_TRUE(valid);
        std::vector<std::uint8_t> block;
        for (std::uint32_t a = kFirmwareBlock; a < kFirmwareBlock + 16 && memory.count(a); ++a) {
            block.push_back(memory[a]);
            memory.erase(a);
        }
        ASSERT_EQ(block.size(), 16u);
        EXPECT_EQ(block, image.firmwareBlock);
        std::uint8_t plain[16] = {};
        ASSERT_EQ(
            base::code(crypto::aesDecryptBlock128(plain, block.data(), arvex::config::kIdentityKey.data())),
            0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain + 8)), c.version);

        ASSERT_EQ(memory.size(), image.bytes.size());
        EXPECT_GE(image.bytes.size(), c.minimumCode);
        EXPECT_EQ(memory.begin()->first, image.address);
        EXPECT_LT(memory.rbegin()->first, 0x1D078000u);
        EXPECT_GE(image.address, 0x1D000000u);
        std::size_t k = 0;
        for (const auto& [address, value] : memory) {
            ASSERT_EQ(address, image.address + k);
            ASSERT_EQ(value, image.bytes[k++]);
        }
        EXPECT_EQ(image.hexText.find("\n\n"), std::string::npos) << "an empty line would end the load";
    }
}

TEST(SampleCatalogueTest, ContainersCarryTheirImagesBetweenMarkers) {
    const std::string a = sim::sampleImage(sim::SampleImageId::ak03Target0).hexText;
    const std::string b = sim::sampleImage(sim::SampleImageId::ak03Target1).hexText;
    const std::string dual = sim::firmwareContainer(a, b);
    EXPECT_EQ(dual[0], '1');
    const std::size_t markerA = dual.find(":0000000aff\n");
    const std::size_t markerB = dual.find(":0000000bff\n");
    ASSERT_NE(markerA, std::string::npos);
    ASSERT_NE(markerB, std::string::npos);
    EXPECT_LT(dual.find("RESET"), markerA);
    EXPECT_LT(dual.find("ERASE_USER_DATA"), markerA);
    EXPECT_EQ(dual.substr(markerA + 12, markerB - markerA - 12), a);
    EXPECT_EQ(dual.substr(markerB + 12), b);
    EXPECT_EQ(sim::firmwareContainer(a, "").find(":0000000bff"), std::string::npos);
}

class SupportServerTest : public testing_support::StandInTest {
protected:
    void SetUp() override {
        StandInTest::SetUp();
        setPlain();
    }
    AuthAnswer auth(const std::string& serial) {
        client.device.serial = serial;
        std::string answer;
        EXPECT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
        return client.parseAuthAnswer(answer);
    }
    std::vector<FileInfo> list(const std::string& folderId) {
        client.session.currentFolderId = folderId;
        std::string answer;
        EXPECT_EQ(client.requestSimple(kRequestFileList, answer, nullptr, true), RequestResult::ok);
        std::vector<FileInfo> rows;
        EXPECT_EQ(client.parseFileList(answer,
                                       [&](std::unique_ptr<FileInfo> entry, int, void*) {
                                           rows.push_back(*entry);
                                           return 1;
                                       }),
                  FileListResult::done);
        return rows;
    }
};

TEST_F(SupportServerTest, AuthAnswersFromTheRegistryWithFreshKeys) {
    const std::pair<const char*, AuthAnswer> cases[] = {
        {"00012345", AuthAnswer::ok}, {"00023456", AuthAnswer::ok},        {"00034567", AuthAnswer::ok},
        {"00045678", AuthAnswer::ok}, {"00066666", AuthAnswer::blacklist}, {"00077777", AuthAnswer::ko},
    };
    std::set<std::string> keys;
    for (const auto& [serial, result] : cases) {
        EXPECT_EQ(auth(serial), result) << serial;
        keys.insert(client.session.serverKey);
    }
    EXPECT_EQ(keys.size(), std::size(cases));
}

TEST_F(SupportServerTest, FoldersListTheirEntriesAndTheWayUp) {
    login();
    const std::vector<FileInfo> top = list("0");
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(client.session.location, "");
    EXPECT_EQ(top[0].type, "00");
    EXPECT_EQ(top[2].name, "release_notes.txt");
    EXPECT_EQ(top[2].type, "10");

    const std::vector<FileInfo> ak02 = list(top[0].fileId);
    EXPECT_EQ(client.session.location, "AK02");
    ASSERT_EQ(ak02.size(), 3u);
    EXPECT_EQ(ak02[0].type, "L1");
    EXPECT_EQ(ak02[0].fileId, "0");
    EXPECT_EQ(ak02[1].name, "Older");
    EXPECT_EQ(ak02[1].type, "00");
    EXPECT_EQ(ak02[2].name, "ak02_fw_1.3.hex");
    EXPECT_EQ(ak02[2].price, "9.90");
    EXPECT_EQ(ak02[2].size,
              std::to_string(std::filesystem::file_size(std::filesystem::path(standIn->catalogueFolder()) /
                                                        sim::kSampleAk02Current)));

    const std::vector<FileInfo> older = list(ak02[1].fileId);
    EXPECT_EQ(client.session.location, "AK02/Older");
    ASSERT_EQ(older.size(), 2u);
    EXPECT_EQ(older[0].type, "L1");
    EXPECT_EQ(older[0].fileId, top[0].fileId);
}

TEST_F(SupportServerTest, GetFileRefusals) {
    login();
    for (const std::string id : {"999", "1", ""}) {  // unknown, a folder, none
        client.session.selectedFileId = id;
        std::string answer;
        ASSERT_EQ(client.requestSimple(kRequestGetFile, answer, nullptr, false), RequestResult::ok);
        EXPECT_EQ(answer.substr(0, 1), "0") << id;
    }
}

TEST(SupportServerStateTest, RegistrationsOutliveTheServer) {
    const testsupport::TempDir folder;
    sim::SupportServerOptions options;
    options.stateFile = folder.file("registrations.txt");
    ServerClient client;
    client.session.cryptEnabled = false;
    client.endpoint.requestPath = std::string(kDefaultRequestPath) + "?nocrypt=1";
    client.endpoint.host = "127.0.0.1";
    client.device = {"AK02", "00088888", "01-01-2020", "Arvex", ""};
    client.user = {"Ana", "ana@example.com", "pw", "ES"};
    for (int round = 0; round < 2; ++round) {
        sim::SupportServer standIn(options);
        ASSERT_TRUE(standIn.start(0));
        client.endpoint.port = standIn.port();
        std::string answer;
        ASSERT_EQ(client.requestSimple(kRequestAuth, answer, nullptr, true), RequestResult::ok);
        EXPECT_EQ(client.parseAuthAnswer(answer), round == 0 ? AuthAnswer::ko : AuthAnswer::ok);
        ASSERT_EQ(client.requestSimple(kRequestRegister, answer, nullptr, true), RequestResult::ok);
        EXPECT_EQ(client.parseAuthAnswer(answer),
                  round == 0 ? AuthAnswer::registerOk : AuthAnswer::registerAlready);
    }
}

}  // namespace
