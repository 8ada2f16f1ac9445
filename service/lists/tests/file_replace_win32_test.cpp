// A program that replaces a file over and over is ended by force at random
// moments; every time, the file holds one of the two contents whole, never
// a mixture or a file cut short.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "service/lists/file_replace.h"
#include "service/lists/tests/replace_contents.h"
#include "service/lists/text_file.h"
#include "service/process/tests/wine_test_support.h"

namespace tb {
namespace {

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string contentsOf(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "(missing)";
    std::string bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

TEST(FileReplace, AWriterEndedByForceLeavesTheOldFileOrTheNewOneWhole) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "tb_replaced.dat";
    ASSERT_TRUE(writeTextFile(path, testing::kShortContent));
    const std::string shortBytes = withCrLf(testing::kShortContent);
    const std::string longBytes = withCrLf(testing::longContent());

    std::mt19937 random(20261208);
    int shortSeen = 0, longSeen = 0;
    for (int round = 0; round < 40; ++round) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string commandLine =
            "\"" + testing::windowsPath(TB_REPLACE_WRITER_EXE) + "\" \"" + path + "\"";
        ASSERT_TRUE(testing::startProcess(nullptr, commandLine, FALSE, startup, process));
        Sleep(50 + random() % 200);
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);

        const std::string now = contentsOf(path);
        if (now == shortBytes) {
            ++shortSeen;
        } else if (now == longBytes) {
            ++longSeen;
        } else {
            FAIL() << "round " << round << ": the file holds " << now.size() << " bytes of neither";
        }
    }
    EXPECT_GT(shortSeen + longSeen, 0);
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".new").c_str());
}

}  // namespace
}  // namespace tb
