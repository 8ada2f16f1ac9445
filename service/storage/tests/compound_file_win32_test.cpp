// Compound files for real: the ole32 adapter in a temporary directory, and
// the site logs and the settings file round-tripped through it.
#include "service/storage/compound_file_win32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/com_holders.h"
#include "common/list_encoding.h"
#include "service/settings/settings_store.h"
#include "service/settings/settings_streams.h"
#include "service/sitelog/site_log_file.h"
#include "service/storage/byte_codec.h"
#include "service/storage/code_page_win32.h"
#include "service/storage/stream_replace.h"

namespace tb::storage {
namespace {

using Bytes = std::vector<uint8_t>;

class CompoundFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "tb_storage_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        // Everything goes: Wine reuses process numbers, and a file left here
        // would meet a later run.
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return dir_ + name; }
    Bytes fileStart(const std::string& name, size_t n) {
        std::ifstream in(path(name), std::ios::binary);
        Bytes out(n);
        in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
        out.resize(static_cast<size_t>(in.gcount()));
        return out;
    }

    ComApartment com_;
    std::string dir_;
    Ole32CompoundFiles files;
    SystemCodePage codePage;
};

// The adapter -----------------------------------------------------------------------

TEST_F(CompoundFileTest, CreatesAStandardCompoundFileAndKeepsItsStreams) {
    {
        auto file = files.openOrCreate(path("a.dat"));
        ASSERT_TRUE(file);
        EXPECT_FALSE(file->openStream("S"));
        auto stream = file->createStream("S");
        ASSERT_TRUE(stream);
        EXPECT_TRUE(stream->write("hello world", 11));
        EXPECT_EQ(stream->size(), 11u);
        ASSERT_TRUE(file->commit());
    }
    EXPECT_EQ(fileStart("a.dat", 8), (Bytes{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}));

    auto file = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->hasStream("S"));
    EXPECT_TRUE(file->hasStream("s")) << "element names ignore case";
    auto stream = file->openStream("S");
    ASSERT_TRUE(stream);
    char buffer[32] = {};
    EXPECT_TRUE(stream->seek(6));
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(stream->read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(stream->setSize(3));
    EXPECT_EQ(readAll(*stream), (Bytes{'h', 'e', 'l'}));
}

TEST_F(CompoundFileTest, DestroysStreamsAndReplacesOnCreate) {
    auto file = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(file);
    file->createStream("one")->write("1", 1);
    file->createStream("two")->write("22", 2);
    EXPECT_TRUE(file->destroyStream("one"));
    EXPECT_FALSE(file->hasStream("one"));
    EXPECT_FALSE(file->destroyStream("one"));
    EXPECT_EQ(file->createStream("two")->size(), 0u) << "created anew, empty";
}

TEST_F(CompoundFileTest, ExclusiveSharingRefusesASecondOpenAndSparesTheFile) {
    auto first = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(first);
    first->createStream("S")->write("keep", 4);
    first->commit();
    EXPECT_FALSE(files.openOrCreate(path("a.dat")));
    first.reset();
    auto again = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(again);
    EXPECT_EQ(readAll(*again->openStream("S")), (Bytes{'k', 'e', 'e', 'p'}));
}

// Nothing unreadable is replaced on the spot: it is set aside whole, and a
// new file takes its name.
TEST_F(CompoundFileTest, AFileThatIsNotACompoundFileIsSetAsideAndANewOneMade) {
    for (const char* bytes : {"not a compound file", ""}) {
        std::ofstream(path("plain.txt"), std::ios::binary) << bytes;
        EXPECT_EQ(files.open(path("plain.txt")).state, FileState::Unreadable);
        auto file = files.openOrCreate(path("plain.txt"));
        ASSERT_TRUE(file);
        EXPECT_FALSE(file->hasStream("S"));
    }
    std::ifstream first(path("plain.txt.damaged"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(first), {}), "not a compound file");
    EXPECT_EQ(GetFileAttributesA(path("plain.txt.damaged2").c_str()) != INVALID_FILE_ATTRIBUTES,
              true);
    EXPECT_EQ(files.open(path("none.dat")).state, FileState::Created);
    EXPECT_EQ(files.open(path("none.dat")).state, FileState::Opened);
}

TEST_F(CompoundFileTest, ReplacingKeepsTheTailAndLeavesOneStream) {
    auto file = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(replaceStream(*file, "Summary", Bytes(5000, 1)));
    ASSERT_TRUE(replaceStream(*file, "Summary", Bytes(10, 2)));
    Bytes expected(5000, 1);
    std::fill(expected.begin(), expected.begin() + 10, 2);
    EXPECT_EQ(readStream(*file, "Summary"), expected);
    EXPECT_FALSE(file->hasStream(journalStreamName("Summary")));
    EXPECT_FALSE(file->hasStream(journalCompleteName("Summary")));
}

TEST_F(CompoundFileTest, AReplacementLeftHalfDoneIsSettledOnOpening) {
    {
        auto file = files.openOrCreate(path("a.dat"));
        file->createStream("TA")->write("old!", 4);
        file->createStream(journalStreamName("TA"))->write("new", 3);
        file->createStream(journalCompleteName("TA"));
        file->commit();
    }
    auto file = files.openOrCreate(path("a.dat"));
    ASSERT_TRUE(file);
    EXPECT_EQ(readStream(*file, "TA"), (Bytes{'n', 'e', 'w'}));
    EXPECT_FALSE(file->hasStream(journalStreamName("TA")));
    EXPECT_FALSE(file->hasStream(journalCompleteName("TA")));
}

// The service's files -------------------------------------------------------------------

TEST_F(CompoundFileTest, SiteLogsRoundTripThroughRealFiles) {
    const std::string key = "vuk5820461973";
    const std::vector<sitelog::LoggedSite> visited{{"a.example", 1, 3, 1000000000},
                                                   {"b.example/dir/page.htm", 0, 1, 1000000100},
                                                   {"caf\xe9.example", 1, 2, 5}};
    ASSERT_TRUE(sitelog::saveVisitedLog(files, path("tbl.log"), visited, key, codePage));
    const auto loaded = sitelog::loadVisitedLog(files, path("tbl.log"), key, 0, codePage);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->sites, visited);

    const std::vector<sitelog::LoggedSite> blocked{{"blocked.example", 1, 0, 77}};
    ASSERT_TRUE(sitelog::saveBlockedLog(files, path("tblB.log"), blocked, key, codePage));
    EXPECT_EQ(sitelog::loadBlockedLog(files, path("tblB.log"), key, codePage)->sites, blocked);
}

TEST_F(CompoundFileTest, AMissingLogIsCreatedAndAFormat1LogIsReadBack) {
    const auto fresh = sitelog::loadVisitedLog(files, path("tbl.log"), "k", 0, codePage);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->sites.empty());
    {
        auto file = files.openOrCreate(path("tbl.log"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->hasStream("Summary"));

        ByteWriter v1;
        v1.u32(0);
        v1.i32(1);
        v1.string16(std::nullopt);
        v1.string16(std::nullopt);
        v1.string16(codePage.toUtf16(encoded("old.example", kDefaultListKey)));
        v1.u8(1);
        v1.i32(8);
        v1.string16(std::nullopt);
        v1.string16(std::nullopt);
        ASSERT_TRUE(replaceStream(*file, "Summary", v1.take()));
    }
    const auto old = sitelog::loadVisitedLog(files, path("tbl.log"), "k", 42, codePage);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->format, 1);
    EXPECT_EQ(old->sites, (std::vector<sitelog::LoggedSite>{{"old.example", 1, 8, 42}}));
}

TEST_F(CompoundFileTest, SettingsRoundTripThroughARealFile) {
    settings::SettingsStore store(files, path("tbd.dat"), codePage);
    ASSERT_TRUE(store.load().ok());
    store.settings().accessHours[1].fill(0);
    store.settings().dailyAllowance[6] = 7200;
    store.settings().timezoneName = "(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi";
    store.settings().categoryStates[4] = 0;
    ASSERT_TRUE(store.writeTimedAccess());
    ASSERT_TRUE(store.writeCategories());

    struct Clock : settings::TimeServerLink {
        long setTimezoneOffset(float hours) override {
            offset = hours;
            return 0;
        }
        float offset = 0;
    } clock;
    settings::SettingsStore next(files, path("tbd.dat"), codePage);
    next.setTimeServer(&clock);
    ASSERT_TRUE(next.load().ok());
    EXPECT_EQ(next.settings().accessHours, store.settings().accessHours);
    EXPECT_EQ(next.settings().dailyAllowance[6], 7200u);
    EXPECT_EQ(next.settings().timezoneName, store.settings().timezoneName);
    EXPECT_EQ(next.settings().categoryStates, store.settings().categoryStates);
    EXPECT_FLOAT_EQ(clock.offset, 5.5f);
}

}  // namespace
}  // namespace tb::storage
