#include "game/field_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "field_test_support.h"
#include "game/transform.h"
#include "test_platform.h"

namespace hc {
namespace {

using fieldtest::ScratchDir;
using fieldtest::writeFile;

struct Placed {
    char letter;
    float x, y, z;
};

class FieldInfoTest : public ::testing::Test {
protected:
    void SetUp() override { setPlatform(&platformStub); }
    void TearDown() override { setPlatform(nullptr); }

    std::vector<FieldChip> read(const std::string& text, Vec3* start = nullptr) {
        writeFile("stage.csv", text);
        std::vector<FieldChip> chips;
        std::uint32_t count = 12345;
        EXPECT_TRUE(readFieldInfo("stage.csv", chips, count, start)) << text;
        EXPECT_EQ(count, chips.size()) << text;
        return chips;
    }

    test::TestPlatform platformStub;
    ScratchDir scratch;
};

TEST_F(FieldInfoTest, CellsMakeChipsAtTheirHeights) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<Placed> chips;
    };
    const std::vector<Case> cases = {
        {"single height, no lift", "B3", {{'B', 0, 3, 0}}},
        {"two-digit height", "G12", {{'G', 0, 12, 0}}},
        {"range stops below the upper bound", "B1/3", {{'B', 0, 1, 0}, {'B', 0, 2, 0}}},
        {"negative lower bound", "B-2/1", {{'B', 0, -2, 0}, {'B', 0, -1, 0}, {'B', 0, 0, 0}}},
        {"negative upper bound", "B-4/-2", {{'B', 0, -4, 0}, {'B', 0, -3, 0}}},
        {"empty range", "B3/1,L2", {{'L', 1, 2, 0}}},
        {"negative height", "B-3", {{'B', 0, -3, 0}}},
        {"cells and lines", "B1,G2\nL3,,C4", {{'B', 0, 1, 0}, {'G', 1, 2, 0}, {'L', 0, 3, 1}, {'C', 2, 4, 1}}},
        {"a bare number is a letter and a number", "12", {{'1', 0, 2, 0}}},
        {"a cell without a number makes nothing", "B1,X\nG2", {{'B', 0, 1, 0}, {'G', 0, 2, 1}}},
        {"cells without commas", "B1G2", {{'B', 0, 1, 0}, {'G', 0, 2, 0}}},
        {"CR LF", "B1\r\nB2", {{'B', 0, 1, 0}, {'B', 0, 2, 1}}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        std::vector<FieldChip> chips = read(c.text);
        ASSERT_EQ(chips.size(), c.chips.size()) << c.name;
        for (std::size_t i = 0; i < chips.size(); ++i) {
            EXPECT_EQ(chips[i].letter, c.chips[i].letter) << c.name << " chip " << i;
            EXPECT_FLOAT_EQ(chips[i].world.m[3][0], c.chips[i].x) << c.name << " chip " << i;
            EXPECT_FLOAT_EQ(chips[i].world.m[3][1], c.chips[i].y) << c.name << " chip " << i;
            EXPECT_FLOAT_EQ(chips[i].world.m[3][2], c.chips[i].z) << c.name << " chip " << i;
        }
    }
}

TEST_F(FieldInfoTest, SubtypesSetTheSizeAndCarryOverToTheNextCell) {
    struct Case {
        const char* name;
        const char* text;
        int chip;
        float sx, sy, sz;
    };
    const std::vector<Case> cases = {
        {"no subtype before the first cell", "C1", 0, 1, 1, 1},
        {"cylinder a", "Ca1", 0, 1.2f, 1, 1.2f},
        {"cylinder b", "Cb1", 0, 2, 1.75f, 2},
        {"cylinder c", "Cc1", 0, 1.5f, 0.5f, 1.5f},
        {"cylinder d", "Cd1", 0, 2, 1, 2},
        {"cylinder g", "Cg1", 0, 8, 1.01f, 8},
        {"half block a", "Ha1", 0, 0.5f, 0.5f, 1},
        {"half block b", "Hb1", 0, 1.3f, 1, 2},
        {"half block c", "Hc1", 0, 1.3f, 1, 1.3f},
        {"half block knows no g", "Hg1", 0, 1, 1, 1},
        {"subtype stays for a cell without one", "Ca1,C2", 1, 1.2f, 1, 1.2f},
        {"subtype stays across lines", "Cb1\nC2", 1, 2, 1.75f, 2},
        {"last skipped character wins", "Cxb1", 0, 2, 1.75f, 2},
        {"a range shares the size", "Cc1/3", 1, 1.5f, 0.5f, 1.5f},
    };
    for (const Case& c : cases) {
        std::vector<FieldChip> chips = read(c.text);
        ASSERT_GT(chips.size(), static_cast<std::size_t>(c.chip)) << c.name;
        EXPECT_FLOAT_EQ(chips[c.chip].world.m[0][0], c.sx) << c.name;
        EXPECT_FLOAT_EQ(chips[c.chip].world.m[1][1], c.sy) << c.name;
        EXPECT_FLOAT_EQ(chips[c.chip].world.m[2][2], c.sz) << c.name;
    }
}

TEST_F(FieldInfoTest, RocksDrawScaleThenRotationThenSpin) {
    std::srand(31);
    int sx = std::rand(), sy = std::rand(), sz = std::rand();
    int rx = std::rand(), ry = std::rand(), rz = std::rand();
    int spin = std::rand();
    std::srand(31);
    std::vector<FieldChip> chips = read("Oa4");
    ASSERT_EQ(chips.size(), 1u);

    Transform t;
    t.position = Vec3{0, 4, 0};
    t.scale = Vec3{0.7f + static_cast<float>(sx % 4) / 10.0f, 0.7f + static_cast<float>(sy % 4) / 10.0f,
                   0.7f + static_cast<float>(sz % 4) / 10.0f};
    t.rotation = Vec3{static_cast<float>(rx % 45), static_cast<float>(ry % 360), static_cast<float>(rz % 45)};
    Matrix expected;
    t.toMatrix(expected);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(chips[0].world.m[r][c], expected.m[r][c]);
    EXPECT_EQ(chips[0].spin, spin % 360);
}

TEST_F(FieldInfoTest, StartCellFillsTheStartOutput) {
    Vec3 start{-1, -1, -1};
    std::vector<FieldChip> chips = read("B0,B0\nB0,P2,B0", &start);
    EXPECT_EQ(chips[3].letter, 'P');
    EXPECT_FLOAT_EQ(start.x, 1);
    EXPECT_FLOAT_EQ(start.y, 2);
    EXPECT_FLOAT_EQ(start.z, 1);

    Vec3 untouched{7, 7, 7};
    read("B0", &untouched);
    EXPECT_FLOAT_EQ(untouched.x, 7);
    read("P1");  // no output asked for
}

TEST_F(FieldInfoTest, MissingFileShowsItsNameAndTouchesNoOutput) {
    std::vector<FieldChip> chips(2);
    std::uint32_t count = 77;
    Vec3 start{9, 9, 9};
    EXPECT_FALSE(readFieldInfo("Resource_Blade/CSV/none.csv", chips, count, &start));
    EXPECT_EQ(chips.size(), 2u);
    EXPECT_EQ(count, 77u);
    EXPECT_EQ(start.x, 9);
    ASSERT_EQ(platformStub.messages.size(), 1u);
    EXPECT_EQ(platformStub.messages[0].caption, "エラー");
    EXPECT_EQ(platformStub.messages[0].text,
              "フィールド情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/CSV/none.csv\"");
}

TEST_F(FieldInfoTest, HostileFilesStayBounded) {
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
    };
    std::string huge;
    for (int line = 0; line < 40; ++line) huge += "B-9999/9999\n";
    const std::vector<Case> cases = {
        {"long line", std::string(5000, 'B') + "1", true},
        {"endless digits", "B" + std::string(3000, '7') + "/" + std::string(3000, '8'), true},
        {"range of runaway numbers", "B-99999999999/99999999999", true},
        {"binary", std::string("\0\x80/-\n-/\r,,\xff", 11), true},
        {"letters only", "ABCDEFG\nHIJ", true},
        {"too many chips", huge, false},
    };
    for (const Case& c : cases) {
        writeFile("hostile.csv", c.bytes);
        std::vector<FieldChip> chips;
        std::uint32_t count = 0;
        EXPECT_EQ(readFieldInfo("hostile.csv", chips, count, nullptr), c.ok) << c.name;
        EXPECT_LE(chips.size(), 1u << 18) << c.name;
    }
}

}  // namespace
}  // namespace hc
