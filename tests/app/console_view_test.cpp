// What the terminal shows of the window.
#include "app/console_view.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string captured(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, n);
    return text;
}

TEST(ConsoleView, Cp1252ToUtf8) {
    EXPECT_EQ(app::cp1252ToUtf8("abc"), "abc");
    EXPECT_EQ(app::cp1252ToUtf8("\xF1\xD1\xA1"), "\xC3\xB1\xC3\x91\xC2\xA1");
    EXPECT_EQ(app::cp1252ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");
    EXPECT_EQ(app::cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");
}

TEST(ConsoleView, LogLinesStatusAndProgress) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        app::ConsoleView view(out, true);
        view.appendLog("Connected to server\r\nPress the Update button");
        view.setText(app::Control::statusPanel, "Connected");
        view.setEnabled(app::Control::updateButton, true);
        view.setEnabled(app::Control::updateButton, true);  // said once
        view.setProgress(50);                               // bar hidden: nothing drawn
        view.setVisible(app::Control::progressBar, true);
        view.setProgress(50);
        view.appendLog(
            "\xA1"
            "done");
        EXPECT_EQ(view.logLines(), (std::vector<std::string>{"Connected to server", "Press the Update button",
                                                             "\xA1"
                                                             "done"}));
    }
    EXPECT_EQ(captured(out),
              "Connected to server\nPress the Update button\n[status: Connected]\n[Update enabled]\n"
              "\r[####################                    ] 50%\r\x1b[K\xC2\xA1"
              "done\n");
    std::fclose(out);
}

TEST(ConsoleView, SaveDialogKeepsTheNameInsideTheFolder) {
    std::FILE* out = std::tmpfile();
    app::ConsoleView view(out);
    EXPECT_EQ(view.askSaveFile("", "notes.txt"), std::nullopt);
    view.setSaveFolder("/tmp/x");
    EXPECT_EQ(view.askSaveFile("", "notes.txt"), "/tmp/x/notes.txt");
    EXPECT_EQ(view.askSaveFile("", "../../etc/passwd"), "/tmp/x/passwd");
    EXPECT_EQ(view.askSaveFile("", ".."), "/tmp/x/download.bin");
    std::fclose(out);
}

}  // namespace
