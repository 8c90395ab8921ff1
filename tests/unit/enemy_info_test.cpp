#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/enemy_info.h"
#include "test_platform.h"

namespace hc {
namespace {

struct Expected {
    float x, y, z;
    std::int32_t kind, group;
};

class EnemyInfoTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform platform;
    std::string path = "/tmp/enemy_info_test_" + std::to_string(getpid()) + ".csv";

    void TearDown() override { std::remove(path.c_str()); }

    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

    std::vector<EnemyBase> read(const std::string& bytes) {
        write(bytes);
        std::unique_ptr<EnemyBase[]> records;
        std::uint32_t count = 0;
        EXPECT_TRUE(readEnemyInfo(path, records, count));
        return std::vector<EnemyBase>(records.get(), records.get() + count);
    }

    static void expectRecords(const std::vector<EnemyBase>& got, const std::vector<Expected>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE("record " + std::to_string(i));
            EXPECT_FLOAT_EQ(got[i].transform.position.x, want[i].x);
            EXPECT_FLOAT_EQ(got[i].transform.position.y, want[i].y);
            EXPECT_FLOAT_EQ(got[i].transform.position.z, want[i].z);
            EXPECT_EQ(got[i].kind, want[i].kind);
            EXPECT_EQ(got[i].spawnGroup, want[i].group);
        }
    }
};

TEST_F(EnemyInfoTest, LinesOfTheFormat) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<Expected> want;
    };
    const Case cases[] = {
        {"plain", "11,0,18,3,2\n", {{11, 0, 18, 3, 2}}},
        {"fractions", "2.5,0,12.25,1,0\n", {{2.5f, 0, 12.25f, 1, 0}}},
        {"kind and group lose their fraction", "1,2,3,4.5,6.75\n", {{1, 2, 3, 4, 6}}},
        {"three numbers take kind and group from the line before", "1,2,3,4,5\n6,7,8\n", {{1, 2, 3, 4, 5}, {6, 7, 8, 4, 5}}},
        {"the first line carries from zero", "7,8\n", {{7, 8, 0, 0, 0}}},
        {"fields after the fifth are ignored", "1,2,3,4,5,6,7\n", {{1, 2, 3, 4, 5}}},
        {"any single separator", "1;2 3\t4|5\n", {{1, 2, 3, 4, 5}}},
        {"a separator after the last number", "1,2,3,\n9,8,7,6,5,\n", {{1, 2, 3, 0, 0}, {9, 8, 7, 6, 5}}},
        {"CR LF line ends", "1,2,3,4,5\r\n6,7,8\r\n", {{1, 2, 3, 4, 5}, {6, 7, 8, 4, 5}}},
        {"no line end at the end of the file", "1,2,3,4,5", {{1, 2, 3, 4, 5}}},
        {"blank lines make no enemy", "\n1,2,3,4,5\n\n \r\n6,7,8\n", {{1, 2, 3, 4, 5}, {6, 7, 8, 4, 5}}},
        // The length of a number comes from its value: a leading zero is not counted, so the rest of
        // the line is read one character early.
        {"a leading zero shifts the fields", "05,1,2,3,4\n", {{5, 0, 0, 0, 0}}},
        {"a value below 1 shifts the fields", "0.5,1,2,3,4\n", {{0.5f, 0, 0, 0, 0}}},
        {"no number where a field starts reads 0", "a,1,2,3,4\n", {{0, 1, 2, 3, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectRecords(read(c.text), c.want);
    }
}

TEST_F(EnemyInfoTest, RecordsStartAliveAndWaiting) {
    std::vector<EnemyBase> got = read("4,0,5,2,1\n");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].hitPoints, 3);
    EXPECT_EQ(got[0].active, 0);
    EXPECT_EQ(got[0].fadeAlpha, 255u);
    EXPECT_EQ(got[0].stateTimer, 0);
    EXPECT_EQ(got[0].state, 0);
    EXPECT_EQ(got[0].counter, 0u);
}

TEST_F(EnemyInfoTest, NumberLengthFollowsTheValue) {
    struct Case {
        float value;
        std::size_t length;
    };
    const Case cases[] = {{0, 1}, {7, 1}, {10, 2}, {123, 3}, {1.5f, 3}, {12.25f, 5}, {0.5f, 2}, {-3, 1}};
    for (const Case& c : cases) EXPECT_EQ(waveNumberLength(c.value), c.length) << c.value;
}

TEST_F(EnemyInfoTest, ValuesOutOfRangeStayBounded) {
    // A kind outside 0 to 7 is kept as read; numbers too large for their fields stop at their limits.
    const std::string big(40, '9');
    std::vector<EnemyBase> got = read("1,0,1,9,3\n1,0,1," + big + "\n" + big + ",5\n");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].kind, 9);
    EXPECT_EQ(got[1].kind, INT32_MAX);
    EXPECT_EQ(got[1].spawnGroup, 3);
    EXPECT_TRUE(std::isfinite(got[2].transform.position.x));
    EXPECT_GT(got[2].transform.position.x, 1e38f);
}

TEST_F(EnemyInfoTest, LongLinesArriveInPieces) {
    // A line longer than the buffer is read in pieces of at most 127 characters; each piece is a record.
    std::string line = "1,2,3,4,5";
    while (line.size() < 300) line += ",1";
    std::vector<EnemyBase> got = read(line + "\n");
    EXPECT_EQ(got.size(), (line.size() + 1 + 126) / 127);
    EXPECT_EQ(got[0].kind, 4);
}

TEST_F(EnemyInfoTest, FailuresReportTheFileAndLeaveTheOutputs) {
    std::unique_ptr<EnemyBase[]> records = std::make_unique<EnemyBase[]>(2);
    EnemyBase* before = records.get();
    std::uint32_t count = 2;

    const std::string missing = path + ".missing";
    EXPECT_FALSE(readEnemyInfo(missing, records, count));
    ASSERT_EQ(platform.platform.messages.size(), 1u);
    EXPECT_EQ(platform.platform.messages[0].text,
              "エネミー情報の読み込みに失敗しました\nファイル名 \"" + missing + "\"");
    EXPECT_EQ(platform.platform.messages[0].caption, "エラー");

    // A file without a single enemy could never fill a wave.
    write("\n\n");
    EXPECT_FALSE(readEnemyInfo(path, records, count));
    EXPECT_EQ(platform.platform.messages.size(), 2u);
    EXPECT_EQ(records.get(), before);
    EXPECT_EQ(count, 2u);
}

TEST_F(EnemyInfoTest, ShippedWaveFilesReadAsWritten) {
    const char* source = std::getenv("HC_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "HC_SOURCE_DIR not set";
    const std::filesystem::path folder = std::filesystem::path(source) / "content" / "Ene_CSVファイル";
    const char* files[] = {"tutorial1.csv", "tutorial2.csv", "enemy_a.csv", "enemy_c.csv", "enemy_d.csv",
                           "enemy_e.csv", "enemy_g.csv", "enemy_f.csv", "enemy_h.csv", "enemy_i.csv"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = folder / name;
        ASSERT_TRUE(std::filesystem::exists(file));
        // What an ordinary CSV split sees must be what the game's number rule reads.
        std::vector<Expected> want;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            std::stringstream fields(line);
            std::string f[5];
            for (std::string& s : f) std::getline(fields, s, ',');
            want.push_back({std::stof(f[0]), std::stof(f[1]), std::stof(f[2]), std::stoi(f[3]), std::stoi(f[4])});
        }
        std::unique_ptr<EnemyBase[]> records;
        std::uint32_t count = 0;
        ASSERT_TRUE(readEnemyInfo(file.string(), records, count));
        expectRecords(std::vector<EnemyBase>(records.get(), records.get() + count), want);
        for (const Expected& e : want) {
            EXPECT_GE(e.kind, 0);
            EXPECT_LE(e.kind, 6) << "kind 7 is the obsidian, never a wave entry";
        }
    }
}

}  // namespace
}  // namespace hc
