#include "catalogue/messages.h"

#include <gtest/gtest.h>

namespace {

TEST(Messages, GetMessageClampsIndexAndLanguage) {
    EXPECT_EQ(catalogue::getMessage(1), "Connected");  // English unless asked
    struct Case {
        int language;
        int index;
        const char* text;
    } cases[] = {
        {0, 0, ""},
        {0, 1, "Connected"},
        {0, 2, "Disconnected"},
        {0, 13, "Error creating file"},
        {0, 17, "Error, invalid data.\nPlease try again."},
        {0, 40, "Error, invalid data.\nPlease try again."},
        {0, -3, ""},
        {1, 5,
         "\xA1"
         "Dispositivo no conectado!"},
        {1, 6, "Error, el dispositivo esta dama\xF1o"},  // spelt as the updater has always shown it
        {1, 16, "Error, el usuario ya existe.\nPor favor, intentalo de nuevo."},
        {7, 2, "Desconectado"},
        {-1, 2, "Disconnected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(catalogue::getMessage(c.index, c.language), c.text) << c.language << "/" << c.index;
    }
}

TEST(Messages, SpanishColumnHoldsWindows1252Bytes) {
    EXPECT_EQ(catalogue::messageTable[5][1].front(), '\xA1');
    EXPECT_EQ(catalogue::messageTable[6][1], std::string("Error, el dispositivo esta dama") + '\xF1' + 'o');
    for (int row = 0; row < catalogue::messageCount; ++row) {
        for (int column = 0; column < catalogue::languageCount; ++column) {
            for (char c : catalogue::messageTable[row][column]) {
                const auto byte = static_cast<unsigned char>(c);
                EXPECT_TRUE(byte < 0x80 || byte == 0xA1 || byte == 0xF1) << row << "/" << column;
            }
        }
    }
}

}  // namespace
