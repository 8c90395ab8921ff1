#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scenes/ranking_table.h"

namespace hc {
namespace {

namespace fs = std::filesystem;

class RankingTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ranking_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/ranking_date";
    }
    void TearDown() override {
        chmod(dir.c_str(), 0755);
        fs::remove_all(dir);
    }
    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::string contents() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static RankingRecord entry(const char* name, int stage, int score) {
        RankingRecord r;
        std::snprintf(r.name, sizeof r.name, "%s", name);
        r.stage = stage;
        r.score = score;
        return r;
    }
    std::string dir, path;
};

TEST_F(RankingTableTest, ReadsFieldsAndCarriesOverWhatALineLeavesOpen) {
    write("1-ABCDE-12-900-\n\n2-FG-3-\n");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    ASSERT_EQ(table.count(), 3);
    EXPECT_EQ(table.records[0].position, 1);
    EXPECT_STREQ(table.records[0].name, "ABCDE");
    EXPECT_EQ(table.records[0].stage, 12);
    EXPECT_EQ(table.records[0].score, 900);
    // A blank line repeats the previous entry.
    EXPECT_EQ(table.records[1].score, 900);
    EXPECT_STREQ(table.records[1].name, "ABCDE");
    // The third line never completes its score: it keeps the previous one.
    EXPECT_EQ(table.records[2].position, 2);
    EXPECT_STREQ(table.records[2].name, "FG");
    EXPECT_EQ(table.records[2].stage, 3);
    EXPECT_EQ(table.records[2].score, 900);
}

TEST_F(RankingTableTest, HostileLinesStayInsideTheRecord) {
    // A name longer than five bytes, digits that overflow, bytes of any value, a line longer than the
    // reader's buffer.
    write(
        "1-ABCDEFGHIJ-99999999999999999999-4294967297-\n"
        "\xff\x01-\x80\x80-x-y-\n" +
        std::string(300, '7') + "\n");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    ASSERT_GE(table.count(), 2);
    EXPECT_EQ(std::string(table.records[0].name), "ABCDE");
    EXPECT_EQ(table.records[0].score, 1);  // 4294967297 wraps to 1
    EXPECT_EQ(table.records[0].name[5], '\0');
}

TEST_F(RankingTableTest, EmptyFileHasNoEntriesAndMissingFileFails) {
    write("");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    EXPECT_EQ(table.count(), 0);
    EXPECT_FALSE(table.read(dir + "/absent"));
}

TEST_F(RankingTableTest, InsertKeepsPositionsWithTheirSlots) {
    struct Case {
        const char* name;
        int score;
        const char* expected;
    };
    const Case cases[] = {
        {"new best moves everyone down", 5000, "1-NEWAA-9-5000-\n2-AAAAA-9-3000-\n3-BBBBB-8-2000-\n4-CCCCC-7-1000-\n"},
        {"equal score goes below the earlier entry", 2000,
         "1-AAAAA-9-3000-\n2-BBBBB-8-2000-\n3-NEWAA-9-2000-\n4-CCCCC-7-1000-\n"},
        {"lowest score is appended", 10, "1-AAAAA-9-3000-\n2-BBBBB-8-2000-\n3-CCCCC-7-1000-\n4-NEWAA-9-10-\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("1-AAAAA-9-3000-\n2-BBBBB-8-2000-\n3-CCCCC-7-1000-\n");
        RankingTable table;
        ASSERT_TRUE(table.read(path));
        ASSERT_TRUE(table.insertAndWrite(entry("NEWAA", 9, c.score), path));
        EXPECT_EQ(contents(), c.expected);
        EXPECT_EQ(table.count(), 4);  // the table now holds the list the file holds
    }
}

TEST_F(RankingTableTest, EmptyFileGivesPositionOneAndBlankNamesStayFiveSpaces) {
    write("");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    ASSERT_TRUE(table.insertAndWrite(entry("     ", 4, 120), path));
    EXPECT_EQ(contents(), "1-     -4-120-\n");
    RankingTable again;
    ASSERT_TRUE(again.read(path));
    ASSERT_EQ(again.count(), 1);
    EXPECT_STREQ(again.records[0].name, "     ");
}

TEST_F(RankingTableTest, FailedWriteLeavesTheOldFileAndTheTable) {
    if (geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
    write("1-AAAAA-9-3000-\n");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    EXPECT_FALSE(table.insertAndWrite(entry("NEWAA", 9, 5000), path));
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(contents(), "1-AAAAA-9-3000-\n");
    EXPECT_EQ(table.count(), 1);
}

TEST_F(RankingTableTest, FailedWriteWhenTheNewFileCannotBeCreated) {
    // Works for root too: the place of the new file is taken by a folder.
    write("1-AAAAA-9-3000-\n");
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    fs::create_directory(path + ".new");
    EXPECT_FALSE(table.insertAndWrite(entry("NEWAA", 9, 5000), path));
    EXPECT_EQ(contents(), "1-AAAAA-9-3000-\n");
    EXPECT_EQ(table.count(), 1);
}

TEST_F(RankingTableTest, FailedWriteIntoAMissingFolderReportsFalse) {
    RankingTable table;
    EXPECT_FALSE(table.insertAndWrite(entry("NEWAA", 9, 5000), dir + "/no/such/folder/ranking_date"));
    EXPECT_EQ(table.count(), 0);
}

TEST_F(RankingTableTest, KillBeforeTheReplaceLeavesTheOldFile) {
    write("1-AAAAA-9-3000-\n2-BBBBB-8-2000-\n");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RankingTable table;
        if (!table.read(path)) _exit(3);
        RankingTable::beforeReplace = [] { kill(getpid(), SIGKILL); };
        table.insertAndWrite(entry("NEWAA", 9, 5000), path);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(contents(), "1-AAAAA-9-3000-\n2-BBBBB-8-2000-\n");
    // The next write still succeeds over the leftover.
    RankingTable table;
    ASSERT_TRUE(table.read(path));
    ASSERT_TRUE(table.insertAndWrite(entry("NEWAA", 9, 5000), path));
    EXPECT_EQ(contents(), "1-NEWAA-9-5000-\n2-AAAAA-9-3000-\n3-BBBBB-8-2000-\n");
}

}  // namespace
}  // namespace hc
