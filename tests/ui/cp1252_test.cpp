#include "ui/cp1252.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

TEST(Cp1252, BytesAndCharacters) {
    struct Case {
        std::string bytes;
        char32_t codePoint;
    } cases[] = {
        {"A", U'A'},      {"\x80", 0x20AC}, {"\x81", 0x0081}, {"\x8A", 0x0160},          {"\x8D", 0x008D},
        {"\x93", 0x201C}, {"\x99", 0x2122}, {"\x9F", 0x0178}, {"\xA0", 0x00A0},          {"\xA1", 0x00A1},
        {"\xD1", 0x00D1}, {"\xF1", 0x00F1}, {"\xFF", 0x00FF}, {std::string(1, '\0'), 0},
    };
    for (const Case& c : cases) {
        const QString text = ui::fromCp1252(c.bytes);
        ASSERT_EQ(text.toUcs4().size(), 1) << c.bytes;
        EXPECT_EQ(text.toUcs4().front(), c.codePoint) << c.bytes;
        EXPECT_EQ(ui::toCp1252(text), c.bytes) << c.bytes;
    }
}

TEST(Cp1252, EveryByteRoundTrips) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
    EXPECT_EQ(ui::toCp1252(ui::fromCp1252(all)), all);
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    struct Case {
        QString text;
        std::string bytes;
    } cases[] = {
        {QString::fromUtf8("Espa\xC3\xB1"
                           "a \xE2\x82\xAC"),
         "Espa\xF1"
         "a \x80"},
        {QString(QChar(0x0080)), "?"},  // a C1 control that the code page spends on the euro sign
        {QString(QChar(0x4E2D)), "?"},
        {QString::fromUcs4(U"\U0001F600x"), "?x"},  // one character outside the basic plane
        {QString(QChar(0xD800)), "?"},              // a lone surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(ui::toCp1252(c.text), c.bytes) << c.text.toStdString();
}

}  // namespace
