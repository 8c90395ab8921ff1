#include "game/field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/camera.h"
#include "engine/services.h"
#include "field_test_support.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "test_platform.h"

namespace hc {
namespace {

using fieldtest::ScratchDir;
using fieldtest::writeFile;

const char* const kCsvError = "CSVファイルの読み込みに失敗しました";

// The one message the platform was asked to show, as caption and text.
std::string shown(const test::Shown& m) { return m.caption + "|" + m.text; }

struct Placed {
    char letter;
    float x, y, z;
};

std::vector<Placed> placed(const std::vector<FieldChip>& chips) {
    std::vector<Placed> out;
    for (const FieldChip& c : chips) out.push_back({c.letter, c.world.m[3][0], c.world.m[3][1], c.world.m[3][2]});
    return out;
}

void expectPlaced(const std::vector<FieldChip>& chips, const std::vector<Placed>& expected, const char* name) {
    std::vector<Placed> got = placed(chips);
    ASSERT_EQ(got.size(), expected.size()) << name;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].letter, expected[i].letter) << name << " chip " << i;
        EXPECT_FLOAT_EQ(got[i].x, expected[i].x) << name << " chip " << i;
        EXPECT_FLOAT_EQ(got[i].y, expected[i].y) << name << " chip " << i;
        EXPECT_FLOAT_EQ(got[i].z, expected[i].z) << name << " chip " << i;
    }
}

Matrix at(float x, float y, float z) {
    Matrix m = Matrix::identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

FieldChip chipAt(char letter, float x, float y, float z) {
    FieldChip c;
    c.letter = letter;
    c.world = at(x, y, z);
    return c;
}

// Planes that keep every point (value 1 everywhere).
void seeEverything() {
    for (Plane& p : gCamera.worldPlanes) p = Plane{0, 0, 0, 1};
}

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPlatform(&platformStub);
        device = createHeadlessDevice();
        gDevice = device.get();
        seeEverything();
    }
    void TearDown() override {
        gDevice = nullptr;
        setPlatform(nullptr);
    }

    std::vector<FieldChip> read(const std::string& text, std::int32_t* startIndex = nullptr) {
        writeFile("stage.csv", text);
        std::vector<FieldChip> list;
        EXPECT_TRUE(field.readStageCsv("stage.csv", 0, startIndex, list)) << text;
        return list;
    }

    int worldTransformsRecorded() const {
        int n = 0;
        for (const DeviceCall& call : gDevice->calls)
            if (call.kind == CallKind::SetTransform && call.a == static_cast<std::uint32_t>(TransformType::World)) ++n;
        return n;
    }

    test::TestPlatform platformStub;
    std::unique_ptr<Device> device;
    ScratchDir scratch;
    Field field;
};

// ---- Stage file grammar ----

TEST_F(FieldTest, StageGrammarPlacesChips) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<Placed> chips;
    };
    const std::vector<Case> cases = {
        {"two-digit height is one number", "B12", {{'B', 0, 11.5f, 0}}},
        {"a third digit starts a new number", "B123", {{'B', 0, 11.5f, 0}, {'B', 0, 2.5f, 0}}},
        {"range repeats its lower bound", "B1/3", {{'B', 0, 0.5f, 0}, {'B', 0, 0.5f, 0}, {'B', 0, 1.5f, 0}, {'B', 0, 2.5f, 0}}},
        {"two-digit range", "B12/14,B1", {{'B', 0, 11.5f, 0}, {'B', 0, 11.5f, 0}, {'B', 0, 12.5f, 0}, {'B', 0, 13.5f, 0}, {'B', 1, 0.5f, 0}}},
        // A two-digit lower bound makes the reader step two characters past a one-digit upper bound,
        // over the ',' that follows it.
        {"two-digit lower bound", "B12/3,B1", {{'B', 0, 11.5f, 0}, {'B', 0, 0.5f, 0}}},
        {"negative height", "B-3", {{'B', 0, -3.5f, 0}}},
        {"negative lower bound is not repeated", "B-2/1", {{'B', 0, -2.5f, 0}, {'B', 0, -1.5f, 0}, {'B', 0, -0.5f, 0}, {'B', 0, 0.5f, 0}}},
        {"negative upper bound", "B-3/-2,G1", {{'B', 0, -3.5f, 0}, {'B', 0, -2.5f, 0}, {'G', 1, 0.5f, 0}}},
        {"empty range keeps the lower chip", "B2/-1,G1", {{'B', 0, 1.5f, 0}, {'G', 1, 0.5f, 0}}},
        {"cylinder has no lift", "Ca2,H2", {{'C', 0, 2.0f, 0}, {'H', 1, 1.5f, 0}}},
        {"letter and lift persist across cells and lines", "C1,2\n3,B4\n5", {{'C', 0, 1, 0}, {'C', 1, 2, 0}, {'C', 0, 3, 1}, {'B', 1, 3.5f, 1}, {'B', 0, 4.5f, 2}}},
        {"bare number before any letter", "4,5", {{'\0', 0, 3.5f, 0}, {'\0', 1, 4.5f, 0}}},
        {"start cell takes the last number of the previous line", "B1,B2\nP", {{'B', 0, 0.5f, 0}, {'B', 1, 1.5f, 0}, {'P', 0, 1.5f, 1}}},
        {"start cell keeps the cylinder's lift", "C3P", {{'C', 0, 3, 0}, {'P', 0, 3, 0}}},
        {"unknown letters are stored", "X1,%2", {{'X', 0, 0.5f, 0}, {'%', 1, 1.5f, 0}}},
        {"an unknown subtype after C is a letter of its own", "Cx1", {{'x', 0, 0.5f, 0}}},
        {"a minus without a digit does nothing", "B-,1", {{'B', 1, 0.5f, 0}}},
        {"CR LF ends a line like LF", "B1\r\n2", {{'B', 0, 0.5f, 0}, {'B', 0, 1.5f, 1}}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) expectPlaced(read(c.text), c.chips, c.name);
}

float scaleOf(const FieldChip& c, int axis) {
    const float* row = c.world.m[axis];
    return std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
}

TEST_F(FieldTest, SubtypeSizesLastUntilACommaOrALetter) {
    struct Case {
        const char* name;
        const char* text;
        int chip;
        float sx, sy, sz;
    };
    const std::vector<Case> cases = {
        {"cylinder a", "Ca1", 0, 1.2f, 1.0f, 1.2f},
        {"cylinder b", "Cb1", 0, 2.0f, 1.75f, 2.0f},
        {"cylinder c", "Cc1", 0, 1.5f, 0.5f, 1.5f},
        {"cylinder d", "Cd1", 0, 2.0f, 1.0f, 2.0f},
        {"half block a", "Ha1", 0, 0.5f, 0.5f, 1.0f},
        {"half block b", "Hb1", 0, 1.3f, 1.0f, 2.0f},
        {"half block c", "Hc1", 0, 1.3f, 1.0f, 1.3f},
        {"a line end keeps the size", "Ca1\n2", 1, 1.2f, 1.0f, 1.2f},
        {"a comma resets the size", "Ca1,2", 1, 1, 1, 1},
        {"a plain letter resets the size", "Ca1\nB2", 1, 1, 1, 1},
        {"a cylinder without subtype has no size", "Ca1\nC2", 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        std::vector<FieldChip> chips = read(c.text);
        ASSERT_GT(chips.size(), static_cast<std::size_t>(c.chip)) << c.name;
        EXPECT_FLOAT_EQ(scaleOf(chips[c.chip], 0), c.sx) << c.name;
        EXPECT_FLOAT_EQ(scaleOf(chips[c.chip], 1), c.sy) << c.name;
        EXPECT_FLOAT_EQ(scaleOf(chips[c.chip], 2), c.sz) << c.name;
    }
}

TEST_F(FieldTest, RocksDrawTheirRandomValuesInOrder) {
    std::srand(99);
    int size = std::rand();
    int pitch = std::rand(), yaw = std::rand(), roll = std::rand(), spin = std::rand();
    int pitch2 = std::rand(), yaw2 = std::rand(), roll2 = std::rand(), spin2 = std::rand();

    std::srand(99);
    std::vector<FieldChip> chips = read("Oa2\n3");
    ASSERT_EQ(chips.size(), 2u);

    const float k = 0.017453292f;
    float s = 0.7f + static_cast<float>(size % 4) / 10.0f;
    Matrix expected = matrixMultiply(
        matrixRotationYawPitchRoll(static_cast<float>(yaw % 360) * k, static_cast<float>(pitch % 45) * k,
                                   static_cast<float>(roll % 45) * k),
        matrixScaling(s, s, s));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(chips[0].world.m[r][c], expected.m[r][c], 1e-6f);
    EXPECT_FLOAT_EQ(chips[0].world.m[3][1], 1.5f);
    EXPECT_EQ(chips[0].spin, spin % 360);

    // The bare number on the next line is another rock with a rotation of its own and the same size.
    Matrix second = matrixMultiply(
        matrixRotationYawPitchRoll(static_cast<float>(yaw2 % 360) * k, static_cast<float>(pitch2 % 45) * k,
                                   static_cast<float>(roll2 % 45) * k),
        matrixScaling(s, s, s));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(chips[1].world.m[r][c], second.m[r][c], 1e-6f);
    EXPECT_EQ(chips[1].letter, 'O');
    EXPECT_EQ(chips[1].spin, spin2 % 360);
}

TEST_F(FieldTest, StartCellGivesPositionAndIndex) {
    std::int32_t start = -1;
    std::vector<FieldChip> chips = read("B0,B0,B0\nB0,B1P,B0\n", &start);
    EXPECT_EQ(start, 5);
    EXPECT_EQ(chips[5].letter, 'P');
    EXPECT_FLOAT_EQ(field.startPosition[0].x, 1);
    EXPECT_FLOAT_EQ(field.startPosition[0].y, 1);
    EXPECT_FLOAT_EQ(field.startPosition[0].z, 1);

    // A file without a start cell leaves both alone.
    start = 42;
    read("B0,B0", &start);
    EXPECT_EQ(start, 42);
    EXPECT_FLOAT_EQ(field.startPosition[0].x, 1);
}

TEST_F(FieldTest, StageReaderAppendsAfterWhatTheListHolds) {
    writeFile("floor.csv", "B0,B0P");
    writeFile("wall.csv", "G1");
    std::vector<FieldChip> list;
    std::int32_t start = -1;
    ASSERT_TRUE(field.readStageCsv("floor.csv", 2, &start, list));
    ASSERT_TRUE(field.readStageCsv("wall.csv", 2, nullptr, list));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(list[3].letter, 'G');
}

TEST_F(FieldTest, StageReaderSurvivesHostileFiles) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string longLine(3000, 'B');
    for (std::size_t i = 1; i < longLine.size(); i += 3) longLine[i] = '7';
    const std::vector<Case> cases = {
        {"long line", longLine},
        {"many digits", std::string(2000, '9')},
        {"slashes and minus signs", "/-/--/9/-9/99/-99/\n-/-99/99"},
        {"binary", std::string("\0\xff\x01/9\0-\n\r\r/", 11)},
        {"range at the line end", "B5/"},
        {"two-digit range at the line end", "B15/2"},
        {"subtypes at the line end", "C\nH\nO"},
    };
    for (const Case& c : cases) {
        writeFile("hostile.csv", c.bytes);
        std::vector<FieldChip> list;
        EXPECT_TRUE(field.readStageCsv("hostile.csv", 6, nullptr, list)) << c.name;
        for (const FieldChip& chip : list) {
            EXPECT_LE(std::fabs(chip.world.m[3][1]), 100.0f) << c.name;
            EXPECT_LT(chip.world.m[3][0], 3000.0f) << c.name;
        }
    }
}

TEST_F(FieldTest, LongLinesArriveInPieces) {
    // 1023 characters fill the buffer; the rest of the line is read like a line of its own.
    std::string text(1021, ',');
    text += "B1,2\n3";
    std::vector<FieldChip> chips = read(text);
    expectPlaced(chips, {{'B', 1021, 0.5f, 0}, {'B', 1, 1.5f, 1}, {'B', 0, 2.5f, 2}}, "long line");
}

TEST_F(FieldTest, StageReaderReportsAMissingFile) {
    std::vector<FieldChip> list;
    EXPECT_FALSE(field.readStageCsv("nothing_here.csv", 0, nullptr, list));
    ASSERT_EQ(platformStub.messages.size(), 1u);
    EXPECT_EQ(shown(platformStub.messages[0]), std::string("エラー|") + kCsvError);
}

TEST_F(FieldTest, StageReaderRefusesAFileThatMakesTooManyChips) {
    // Every cell is a 199-chip range: the file as a whole is far beyond any stage.
    std::string cell = "B-99/99,";
    std::string text;
    while (text.size() < 1000) text += cell;
    text += "\n";
    std::string all;
    for (int i = 0; i < 200; ++i) all += text;
    writeFile("huge.csv", all);
    std::vector<FieldChip> list;
    EXPECT_FALSE(field.readStageCsv("huge.csv", 0, nullptr, list));
    EXPECT_EQ(shown(platformStub.messages.back()), std::string("エラー|") + kCsvError);
}

// ---- Stage order ----

TEST_F(FieldTest, OrderFileMakesOneEntryPerCharacter) {
    std::srand(5);
    int drawn = std::rand() % 2;
    std::srand(5);
    writeFile("Resource_Blade/CSV/field_order.csv", "12,l\r\nr05 x\n9");
    ASSERT_TRUE(field.readStageOrder());
    const std::vector<std::int32_t> expected = {1, 2, 0, 6, drawn, 0, 5, 0, 0, 0};
    EXPECT_EQ(field.stageOrder, expected);
}

TEST_F(FieldTest, OrderFileFailures) {
    EXPECT_FALSE(field.readStageOrder());
    EXPECT_EQ(shown(platformStub.messages.back()), std::string("エラー|") + kCsvError);

    // Stage 1 and the stage after it must be there.
    writeFile("Resource_Blade/CSV/field_order.csv", "3\n");
    EXPECT_FALSE(field.readStageOrder());
    EXPECT_EQ(platformStub.messages.size(), 2u);
    EXPECT_TRUE(field.stageOrder.empty());
}

TEST_F(FieldTest, OrderedSlotPastTheEndIsSlotZero) {
    field.stageOrder = {3, 4};
    EXPECT_EQ(field.orderedSlot(1), 4);
    EXPECT_EQ(field.orderedSlot(2), 0);
    EXPECT_EQ(field.orderedSlot(100000), 0);
}

// ---- Culling and drawing ----

TEST_F(FieldTest, CullingMarginIsMinusOne) {
    seeEverything();
    gCamera.worldPlanes[3] = Plane{0, 0, 1, 0};  // value = z
    EXPECT_FALSE(Field::culled(0, 0, -1.0f));
    EXPECT_TRUE(Field::culled(0, 0, -1.001f));
    EXPECT_FALSE(Field::culled(5, -50, 3));

    field.chips = {chipAt('B', 0, 0, -1.0f), chipAt('B', 0, 0, -1.5f), chipAt('X', 0, 0, 2)};
    field.chipCount = 3;
    gDevice->calls.clear();
    field.draw();
    // Both chips in view set their transform; only the one with a mesh letter draws (no mesh here).
    EXPECT_EQ(worldTransformsRecorded(), 2);
}

TEST_F(FieldTest, DrawSetsLinearFogAroundTheEye) {
    gCamera.eye = Vec3{0, 4, -3};
    field.draw();
    EXPECT_EQ(gDevice->renderState(RenderState::FogEnable), 1u);
    EXPECT_EQ(gDevice->renderState(RenderState::RangeFogEnable), 1u);
    EXPECT_EQ(gDevice->renderState(RenderState::FogColor), 0u);
    EXPECT_EQ(gDevice->renderState(RenderState::FogVertexMode), static_cast<std::uint32_t>(FOG_LINEAR));
    EXPECT_EQ(gDevice->renderState(RenderState::FogStart), floatBits(5.0f));
    EXPECT_EQ(gDevice->renderState(RenderState::FogEnd), floatBits(26.0f));
}

TEST_F(FieldTest, ChangeDrawBudgetSkipsLowChipsUntilSpent) {
    field.changing = true;
    field.chips.clear();
    field.chips.push_back(chipAt('B', 0, -2.0f, 0));  // too low while the budget lasts
    field.chips.push_back(chipAt('A', 0, 0, 0));      // drawn, costs nothing
    field.chips.push_back(chipAt('P', 0, 0, 0));      // drawn, costs nothing
    for (int i = 0; i < 80; ++i) field.chips.push_back(chipAt('B', static_cast<float>(i), 0, 0));
    field.chips.push_back(chipAt('B', 0, -5.0f, 0));  // budget spent: drawn
    field.crumbleCount = static_cast<std::int32_t>(field.chips.size());
    field.chipCount = 1000;  // the old stage's count is not what is drawn during a change
    gDevice->calls.clear();
    field.draw();
    EXPECT_EQ(worldTransformsRecorded(), 83);
}

// ---- Stage change ----

class StageChangeTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        field = Field();
        // Slot 0: a row of floor chips along x; slot 1: two floor chips and a start cell, a wall above.
        for (int x = -6; x <= 6; ++x) field.templates[0].push_back(chipAt('B', static_cast<float>(x), -0.5f, 0));
        field.floorCount[0] = field.chipTotal[0] = static_cast<std::int32_t>(field.templates[0].size());
        field.templates[1] = {chipAt('B', 10, -0.5f, 10), chipAt('P', 11, -0.5f, 10), chipAt('B', 10, 2.5f, 11)};
        field.floorCount[1] = 2;
        field.chipTotal[1] = 3;
        field.startChipIndex[1] = 1;
        field.stageOrder = {0, 1, 0, 1};
        field.currentSlot = 0;
        field.nextSlot = 1;
        field.chips = field.templates[0];
        field.chipCount = field.chipTotal[0];
        field.stageNumber = 1;
    }
};

TEST_F(StageChangeTest, NextStageRisesUnderThePlayerWithoutOvershoot) {
    const Matrix player = at(2, 0, 0);
    field.updateStageChange(false, player);
    ASSERT_TRUE(field.nextChipsAlive);
    // The start cell lies under the player, 7.5 below.
    EXPECT_FLOAT_EQ(field.nextChips[1].world.m[3][0], 2.0f);
    EXPECT_FLOAT_EQ(field.nextChips[1].world.m[3][2], 0.0f);

    bool reached = false;
    for (int frame = 2; frame < 120; ++frame) {
        field.updateStageChange(false, player);
        ASSERT_TRUE(field.changing);
        for (std::size_t i = 0; i < field.nextChips.size(); ++i) {
            float y0 = field.templates[1][i].world.m[3][1];
            ASSERT_LE(field.nextChips[i].world.m[3][1], y0) << "frame " << frame;
        }
        if (field.nextChips[0].world.m[3][1] == field.templates[1][0].world.m[3][1]) reached = true;
    }
    EXPECT_TRUE(reached);
    EXPECT_EQ(field.nextChips[2].world.m[3][1], 2.5f);
}

TEST_F(StageChangeTest, ArrivalMovesToTheNextSlot) {
    for (int frame = 0; frame < 119; ++frame) field.updateStageChange(false, at(0, 0, 0));
    EXPECT_TRUE(field.changing);
    EXPECT_EQ(field.chipCount, 13);  // the old count stays until the end
    field.updateStageChange(false, at(0, 0, 0));
    EXPECT_FALSE(field.changing);
    EXPECT_FALSE(field.nextChipsAlive);
    EXPECT_EQ(field.changeFrame, 0.0f);
    EXPECT_EQ(field.stageNumber, 2u);
    EXPECT_EQ(field.currentSlot, 1);
    EXPECT_EQ(field.nextSlot, 0);  // stageOrder[2]
    EXPECT_EQ(field.chipCount, 3);
    EXPECT_FLOAT_EQ(field.chips[0].world.m[3][0], 10.0f);  // the template itself, not the moved copy
    EXPECT_GE(field.dropsLeft, 1);
    EXPECT_LE(field.dropsLeft, 2);
}

TEST_F(StageChangeTest, ChipCulledAtTheStartNeitherCrumblesNorDraws) {
    seeEverything();
    gCamera.worldPlanes[2] = Plane{-1, 0, 0, 3};  // culls x > 4
    field.updateStageChange(false, at(0, 0, 0));
    EXPECT_EQ(field.crumbleCount, 11);  // x = -6 .. 4
    ASSERT_EQ(field.chips.size(), 11u);
    for (const FieldChip& c : field.chips) EXPECT_LE(c.world.m[3][0], 4.0f);

    // Even when the camera turns, the dropped chips stay gone.
    seeEverything();
    gDevice->calls.clear();
    field.draw();
    EXPECT_EQ(worldTransformsRecorded(), 11 + 3);  // the old visible chips and the next stage
}

TEST_F(StageChangeTest, CrumblingSpreadsFromThePlayer) {
    field.updateStageChange(false, at(0, 0, 0));
    // Frame 1: only chips closer than one unit move.
    EXPECT_NE(field.chips[6].world.m[3][1], -0.5f);  // x = 0
    EXPECT_EQ(field.chips[5].world.m[3][1], -0.5f);  // x = -1
    field.updateStageChange(false, at(0, 0, 0));
    EXPECT_NE(field.chips[5].world.m[3][1], -0.5f);
    EXPECT_EQ(field.chips[4].world.m[3][1], -0.5f);
}

TEST_F(StageChangeTest, DropsLeftForTheNewStage) {
    struct Case {
        bool endless;
        std::uint32_t arriving;
        int low, high;
    };
    const std::vector<Case> cases = {
        {false, 2, 1, 2},
        {false, 10, 2, 4},
        {false, 21, 4, 7},
        {false, 30, 0, 0},
        {false, 31, 31, 31},
        {false, 45, 45, 45},
        {true, 9, 1, 2},
        {true, 30, 5, 9},
        {true, 39, 5, 9},
        {true, 40, 40, 40},
    };
    for (const Case& c : cases) {
        SetUp();
        field.stageNumber = c.arriving - 1;
        for (int frame = 0; frame < 120; ++frame) field.updateStageChange(c.endless, at(0, 0, 0));
        EXPECT_EQ(field.stageNumber, c.arriving);
        EXPECT_GE(field.dropsLeft, c.low) << c.arriving << (c.endless ? " endless" : " story");
        EXPECT_LE(field.dropsLeft, c.high) << c.arriving << (c.endless ? " endless" : " story");
        if (c.endless && c.arriving >= 29) {
            EXPECT_GE(field.nextSlot, 0);
            EXPECT_LE(field.nextSlot, 4);
        }
    }
}

TEST_F(StageChangeTest, EmptyNextStageDoesNotBreakTheChange) {
    field.templates[1].clear();
    field.floorCount[1] = field.chipTotal[1] = 0;
    field.startChipIndex[1] = 0;
    for (int frame = 0; frame < 120; ++frame) field.updateStageChange(false, at(0, 0, 0));
    EXPECT_FALSE(field.changing);
    EXPECT_TRUE(field.chips.empty());
    EXPECT_EQ(field.collideWalls(nullptr, Vec3{1, 0, 1}, at(0, 0, 0)).x, 1.0f);
}

// ---- Probe ahead ----

TEST_F(FieldTest, ProbeAheadStepsBackFromAWall) {
    field.chips = {chipAt('B', 0, -0.5f, 1), chipAt('L', 0.3f, 0.5f, 1.5f)};
    field.floorCount[0] = 1;
    field.chipCount = 2;
    Vec3 r = field.probeAhead(at(0, 0, 0));
    EXPECT_FLOAT_EQ(r.z, -2.0f);
    // The same wall behind the player does not count.
    r = field.probeAhead(at(0, 0, 3));
    EXPECT_FLOAT_EQ(r.z, 5.0f);
    // Nor one off to the side.
    r = field.probeAhead(at(1, 0, 0));
    EXPECT_FLOAT_EQ(r.x, 1.0f);
    EXPECT_FLOAT_EQ(r.z, 2.0f);
}

// ---- Wall collision ----

class CollisionTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        // The knight's body: 0.6 wide and deep, 1.8 high, standing on its origin.
        writeFile("body.x", fieldtest::boxMeshText(-0.3f, 0.0f, -0.3f, 0.3f, 1.8f, 0.3f));
        ASSERT_TRUE(MeshCache::load("body.x", body));
        field.floorCount[0] = 1;
    }
    void TearDown() override {
        MeshCache::release(body);
        FieldTest::TearDown();
    }
    void walls(std::vector<FieldChip> list) {
        field.chips = {chipAt('B', 0, -0.5f, 0)};  // floor, never tested
        for (const FieldChip& c : list) field.chips.push_back(c);
        field.chipCount = static_cast<std::int32_t>(field.chips.size());
    }
    MeshEntry* body = nullptr;
};

TEST_F(CollisionTest, BodyStopsAtTheFaceOfSolidChips) {
    struct Case {
        const char* name;
        FieldChip wall;
        Vec3 player, move, expected;
    };
    const std::vector<Case> cases = {
        {"B block ahead in +x", chipAt('B', 1, 0.5f, 0), {0.1f, 0, 0}, {0.5f, 0.3f, 0}, {0.1f, 0.3f, 0}},
        {"invisible A block", chipAt('A', 1, 0.5f, 0), {0.1f, 0, 0}, {0.5f, 0, 0}, {0.1f, 0, 0}},
        {"G block never blocks", chipAt('G', 1, 0.5f, 0), {0.1f, 0, 0}, {0.5f, 0, 0}, {0.5f, 0, 0}},
        {"L block does not block", chipAt('L', 1, 0.5f, 0), {0.1f, 0, 0}, {0.5f, 0, 0}, {0.5f, 0, 0}},
        {"moving away", chipAt('B', 1, 0.5f, 0), {0.1f, 0, 0}, {-0.5f, 0, 0}, {-0.5f, 0, 0}},
        {"block in -x", chipAt('B', -1, 0.5f, 0), {-0.1f, 0, 0}, {-0.5f, 0, 0}, {-0.1f, 0, 0}},
        {"block in +z", chipAt('B', 0, 0.5f, 1), {0, 0, 0.1f}, {0, 0, 0.5f}, {0, 0, 0.1f}},
        {"block in -z, x untouched", chipAt('B', 0, 0.5f, -1), {0, 0, -0.1f}, {0.2f, 0, -0.5f}, {0.2f, 0, -0.1f}},
        {"move that stays clear", chipAt('B', 1, 0.5f, 0), {0, 0, 0}, {0.1f, 0, 0}, {0.1f, 0, 0}},
        {"block above the head", chipAt('B', 1, 1.5f, 0), {0.1f, 0.3f, 0}, {0.5f, 0, 0}, {0.5f, 0, 0}},
        {"block out of reach", chipAt('B', 1.5f, 0.5f, 0), {0.2f, 0, 0}, {0.5f, 0, 0}, {0.5f, 0, 0}},
        // Off the grid the body still ends at the face: the move is cut, never turned backwards.
        {"player between cells", chipAt('B', 1, 0.5f, 0), {0.15f, 0, 0}, {0.1f, 0, 0}, {0.05f, 0, 0}},
        {"player past the cell middle", chipAt('B', 2, 0.5f, 0), {1.15f, 0, 0}, {0.1f, 0, 0}, {0.05f, 0, 0}},
        // A body already reaching into a block (pushed there by a golem) stops; it is not thrown back.
        {"body inside a block in +x", chipAt('B', 1, 0.5f, 0), {0.6f, 0, 0}, {0.1f, 0.2f, 0}, {0, 0.2f, 0}},
        {"body inside a block in -z", chipAt('B', 0, 0.5f, -1), {0.1f, 0, -0.55f}, {0.1f, 0, -0.1f}, {0.1f, 0, 0}},
        {"body across the ray's start", chipAt('B', 1, 0.5f, 0), {0.85f, 0, 0}, {0.05f, 0, 0}, {0, 0, 0}},
        // A body against a block's side slides along it: the block is beside it, not in front.
        {"sliding along a block's side", chipAt('B', 1, 0.5f, 1), {0.22f, 0, 0.9f}, {0, 0, 0.1f}, {0, 0, 0.1f}},
        {"sliding back along it", chipAt('B', 1, 0.5f, 1), {0.22f, 0, 1.1f}, {0, 0, -0.1f}, {0, 0, -0.1f}},
    };
    for (const Case& c : cases) {
        walls({c.wall});
        Vec3 r = field.collideWalls(body, c.move, at(c.player.x, c.player.y, c.player.z));
        EXPECT_NEAR(r.x, c.expected.x, 1e-5f) << c.name;
        EXPECT_NEAR(r.y, c.expected.y, 1e-5f) << c.name;
        EXPECT_NEAR(r.z, c.expected.z, 1e-5f) << c.name;
    }
}

TEST_F(CollisionTest, NothingCollidesDuringAStageChange) {
    walls({chipAt('B', 1, 0.5f, 0)});
    field.changing = true;
    Vec3 r = field.collideWalls(body, Vec3{0.5f, 0, 0}, at(0.1f, 0, 0));
    EXPECT_EQ(r.x, 0.5f);
}

TEST_F(CollisionTest, EachAxisIsLimitedByItsOwnChip) {
    // A block ahead in x and one ahead in z, both within reach of the body.
    walls({chipAt('B', 1, 0.5f, 0), chipAt('B', 0, 0.5f, 1)});
    Vec3 r = field.collideWalls(body, Vec3{0.5f, 0, 0.5f}, at(0.1f, 0, 0));
    EXPECT_NEAR(r.x, 0.1f, 1e-5f);
    EXPECT_NEAR(r.z, 0.2f, 1e-5f);
}

TEST_F(CollisionTest, TheNearestFaceWinsWhateverTheOrderOfTheChips) {
    // Two blocks ahead in x, faces at 0.5 and 0.65 (fallen blocks need not sit on the grid).
    for (bool nearFirst : {true, false}) {
        FieldChip near = chipAt('B', 1, 0.5f, 0), far = chipAt('B', 1.15f, 0.5f, 0.2f);
        walls(nearFirst ? std::vector<FieldChip>{near, far} : std::vector<FieldChip>{far, near});
        Vec3 r = field.collideWalls(body, Vec3{0.5f, 0, 0}, at(0.1f, 0, 0));
        EXPECT_NEAR(r.x, 0.1f, 1e-5f) << (nearFirst ? "near first" : "far first");
    }
}

// ---- Falling blocks ----

class DropTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        gCamera.eye = Vec3{0, 5, -5};
        gCamera.lookAt = Vec3{0, 0, 0};
        gCamera.up = Vec3{0, 0.1f, 0};
        field.stageNumber = 2;
        field.dropsLeft = 1;
        field.dropsAllowed = true;
        field.shakeAmplitude = Field::kShakeAmplitude;
        for (FieldChip& b : field.blocks) b.letter = 'B';
    }
    void floorGrid() {
        field.chips.clear();
        for (int z = -5; z <= 5; ++z)
            for (int x = -5; x <= 5; ++x) {
                if (x == 0 && z == 0) field.startChipIndex[0] = static_cast<std::int32_t>(field.chips.size());
                field.chips.push_back(chipAt('B', static_cast<float>(x), -0.5f, static_cast<float>(z)));
            }
        field.floorCount[0] = field.chipCount = static_cast<std::int32_t>(field.chips.size());
    }
    // Runs frames until the drop has landed; returns the number of frames, or -1.
    int runUntilLanded(int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            field.updateDrops(false, at(0, 0, 0));
            if (field.dropsLeft == 0) return frame;
        }
        return -1;
    }
};

TEST_F(DropTest, ShakeThenFivePlusShapedBlocksThatLandSolid) {
    floorGrid();
    field.dropTimer = 3598;
    field.updateDrops(false, at(0, 0, 0));
    EXPECT_EQ(field.dropTimer, 3599);
    EXPECT_EQ(gCamera.eye.y, 5.0f);

    // Ten up-down cycles of the camera.
    int shakeFrames = 0;
    while (!field.blocksShown && shakeFrames < 100) {
        float before = gCamera.eye.y;
        field.updateDrops(false, at(0, 0, 0));
        if (gCamera.eye.y != before) ++shakeFrames;
    }
    EXPECT_EQ(shakeFrames, 20);
    EXPECT_NEAR(gCamera.eye.y, 5.0f, 1e-5f);
    ASSERT_TRUE(field.falling);
    ASSERT_EQ(field.addedChips, 5);
    ASSERT_EQ(field.chips.size(), 121u + 5);
    EXPECT_EQ(field.chipCount, 126);

    const FieldChip& centre = field.chips[122];
    const float plus[5][2] = {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (int v = 0; v < 5; ++v) {
        const FieldChip& c = field.chips[121 + v];
        EXPECT_EQ(c.letter, 'A');
        EXPECT_FLOAT_EQ(c.world.m[3][0], centre.world.m[3][0] + plus[v][0]);
        EXPECT_FLOAT_EQ(c.world.m[3][2], centre.world.m[3][2] + plus[v][1]);
        EXPECT_FLOAT_EQ(c.world.m[3][1], 0.5f);  // one above the start chip
        EXPECT_FLOAT_EQ(field.blocks[v].world.m[3][1], -0.5f + 30.0f);
    }
    float cx = centre.world.m[3][0], cz = centre.world.m[3][2];
    EXPECT_GT(cx * cx + cz * cz, 2.2f * 2.2f);
    EXPECT_LT(cx * cx + cz * cz, 3.6f * 3.6f);

    int frames = runUntilLanded(400);
    EXPECT_GE(frames, 160);
    EXPECT_LE(frames, 202);
    for (int v = 0; v < 5; ++v) EXPECT_EQ(field.chips[121 + v].letter, 'B');
    EXPECT_FALSE(field.blocksShown);
    EXPECT_FALSE(field.falling);
    EXPECT_EQ(field.dropTimer, 0);
    EXPECT_EQ(field.shakeAmplitude, Field::kShakeAmplitude);
}

TEST_F(DropTest, AllSitesOnWallsStillFallAndCount) {
    field.chips = {chipAt('P', 0, -0.5f, 0), chipAt('B', 3, -0.5f, 0)};
    field.startChipIndex[0] = 0;
    field.floorCount[0] = 2;
    for (auto [x, z] : {std::pair{2, 0}, {3, 0}, {4, 0}, {3, -1}, {3, 1}})
        field.chips.push_back(chipAt('B', static_cast<float>(x), 0.5f, static_cast<float>(z)));
    field.chipCount = 7;
    field.dropTimer = 3599;
    field.shakeAmplitude = 0;  // the warning is over

    field.updateDrops(false, at(0, 0, 0));
    ASSERT_TRUE(field.blocksShown);
    EXPECT_TRUE(field.falling);
    EXPECT_EQ(field.addedChips, 0);
    EXPECT_EQ(field.chips.size(), 7u);

    gDevice->calls.clear();
    field.draw();
    EXPECT_EQ(worldTransformsRecorded(), 7 + 5);

    EXPECT_GT(runUntilLanded(400), 0);
    EXPECT_EQ(field.chips.size(), 7u);
    EXPECT_EQ(field.chips[0].letter, 'P');
}

TEST_F(DropTest, TimerHoldsWhileTheSceneClearsDropsAllowed) {
    floorGrid();
    field.dropsAllowed = false;
    field.updateDrops(false, at(0, 0, 0));
    EXPECT_EQ(field.dropTimer, 0);
    EXPECT_TRUE(field.dropsAllowed);
    field.updateDrops(false, at(0, 0, 0));
    EXPECT_EQ(field.dropTimer, 1);
}

TEST_F(DropTest, NoDropOnStageOneOrStoryStageThirty) {
    floorGrid();
    for (auto [stage, endless] : {std::pair{1u, false}, {1u, true}, {30u, false}}) {
        field.stageNumber = stage;
        field.dropTimer = 5000;
        float eye = gCamera.eye.y;
        field.updateDrops(endless, at(0, 0, 0));
        EXPECT_EQ(field.dropTimer, 5001);
        EXPECT_EQ(gCamera.eye.y, eye);
        EXPECT_FALSE(field.blocksShown);
    }
    // The endless run's stage 30 is an ordinary stage.
    field.stageNumber = 30;
    field.dropTimer = 5000;
    field.updateDrops(true, at(0, 0, 0));
    EXPECT_TRUE(field.shakePhase);
}

TEST_F(DropTest, WaitDependsOnTheStage) {
    floorGrid();
    struct Case {
        std::uint32_t stage;
        int wait;
    };
    for (Case c : {Case{8, 3600}, Case{9, 2700}, Case{16, 2700}, Case{17, 1800}, Case{25, 1800}, Case{26, 1200}}) {
        field.stageNumber = c.stage;
        field.shakeAmplitude = Field::kShakeAmplitude;
        field.dropTimer = c.wait - 2;
        field.updateDrops(false, at(0, 0, 0));
        EXPECT_EQ(field.shakeAmplitude, Field::kShakeAmplitude) << c.stage;
        EXPECT_FALSE(field.shakePhase) << c.stage;
        field.updateDrops(false, at(0, 0, 0));
        EXPECT_TRUE(field.shakePhase) << c.stage;
        gCamera.eye.y = 5;
        field.shakePhase = false;
    }
}

TEST_F(DropTest, NoCandidateWaitsForTheNextFrame) {
    field.chips = {chipAt('P', 0, -0.5f, 0), chipAt('B', 1, -0.5f, 0)};
    field.floorCount[0] = field.chipCount = 2;
    field.dropTimer = 3599;
    field.shakeAmplitude = 0;
    field.updateDrops(false, at(0, 0, 0));
    EXPECT_FALSE(field.blocksShown);
    // The player walks so that the chip lies in the ring.
    field.updateDrops(false, at(-2, 0, 0));
    EXPECT_TRUE(field.blocksShown);
}

TEST_F(DropTest, StageChangeCancelsADropUnderWay) {
    floorGrid();
    field.dropsLeft = 2;
    field.dropTimer = 3599;
    field.shakeAmplitude = 0;
    field.updateDrops(false, at(0, 0, 0));
    ASSERT_TRUE(field.falling);
    field.changing = true;
    field.dropsAllowed = false;
    field.updateDrops(false, at(0, 0, 0));
    EXPECT_EQ(field.dropsLeft, 0);
    EXPECT_FALSE(field.falling);
    EXPECT_FALSE(field.blocksShown);
    EXPECT_EQ(field.addedChips, 0);
    EXPECT_TRUE(field.dropsAllowed);
}

// ---- Loading a run ----

class FieldLoadTest : public FieldTest {
protected:
    void SetUp() override {
        FieldTest::SetUp();
        sound = createHeadlessSoundDevice(platformStub.manualClock);
        gSoundDevice = sound.get();
        writeRun();
    }
    void writeRun() {
        const std::string box = fieldtest::boxMeshText(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
        writeFile("Resource_Blade/FieldObject/rockbox.x", box);
        writeFile("Resource_Blade/FieldObject/cylinder_obj.x", box);
        writeFile("Resource_Blade/FieldObject/boxhalf_obj.x", box);
        writeFile("Resource_Blade/SE/Duskforge/field_break_se.wav", fieldtest::silentWav());
        const char* floors[7] = {"Field_1", "Field_2", "Field_3", "Field_4", "Field_5", "SpecialStage", "Cathedral"};
        const char* wallsOf[7] = {"Wall_1", "Wall_2", "Wall_3", "Wall_4", "Wall_5", "SpecialWall", "Cathedral_Wall"};
        for (int slot = 0; slot < 7; ++slot) {
            std::string lead(static_cast<std::size_t>(slot), ',');
            writeFile(std::string("Resource_Blade/CSV/") + floors[slot] + ".csv", lead + "B0,B0P,Oa0\nB0,B0,B0");
            writeFile(std::string("Resource_Blade/CSV/") + wallsOf[slot] + ".csv", "B1/2");
        }
        writeFile("Resource_Blade/CSV/field_order.csv", "3l5");
    }
    void TearDown() override {
        field.release();
        EXPECT_EQ(MeshCache::size(), 0u);
        EXPECT_EQ(soundCacheSize(), 0u);
        gSoundDevice = nullptr;
        FieldTest::TearDown();
    }
    std::unique_ptr<SoundDevice> sound;
};

TEST_F(FieldLoadTest, LoadsEverySlotAndStartsOnTheFirstOrderedStage) {
    ASSERT_TRUE(field.load());
    for (int slot = 0; slot < 7; ++slot) {
        EXPECT_EQ(field.floorCount[slot], 7) << slot;
        EXPECT_EQ(field.chipTotal[slot], 10) << slot;
        EXPECT_EQ(field.startChipIndex[slot], 2) << slot;
        EXPECT_FLOAT_EQ(field.startPosition[slot].x, static_cast<float>(slot + 1));
        EXPECT_EQ(field.templates[slot][7].letter, 'B');  // wall chips follow the floor
        EXPECT_FLOAT_EQ(field.templates[slot][9].world.m[3][1], 1.5f);
    }
    EXPECT_EQ(field.stageOrder, (std::vector<std::int32_t>{3, 6, 5}));
    EXPECT_EQ(field.currentSlot, 3);
    EXPECT_EQ(field.nextSlot, 6);
    EXPECT_EQ(field.chipCount, 10);
    EXPECT_EQ(field.chips.size(), 10u);
    EXPECT_EQ(field.stageNumber, 1u);
    EXPECT_EQ(field.dropsLeft, 0);
    EXPECT_TRUE(field.dropsAllowed);
    EXPECT_EQ(field.shakeAmplitude, Field::kShakeAmplitude);
    for (const FieldChip& b : field.blocks) EXPECT_EQ(b.letter, 'B');
    EXPECT_NE(field.boxMesh, nullptr);
    EXPECT_NE(field.breakSound, nullptr);
    EXPECT_TRUE(platformStub.messages.empty());
}

TEST_F(FieldLoadTest, TheClockSeedMakesALoadRepeatable) {
    ASSERT_TRUE(field.load());
    std::vector<FieldChip> first = field.templates[0];
    field.release();
    ASSERT_TRUE(field.load());
    ASSERT_EQ(field.templates[0].size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(field.templates[0][i].spin, first[i].spin);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(field.templates[0][i].world.m[r][c], first[i].world.m[r][c]);
    }
}

TEST_F(FieldLoadTest, EmptyFloorFileLeavesOnlyWallChips) {
    writeFile("Resource_Blade/CSV/Field_2.csv", "");
    ASSERT_TRUE(field.load());
    EXPECT_EQ(field.floorCount[1], 0);
    EXPECT_EQ(field.chipTotal[1], 3);
    EXPECT_EQ(field.startChipIndex[1], 0);
    EXPECT_EQ(field.startPosition[1].x, 0.0f);
}

TEST_F(FieldLoadTest, MissingFilesFailWithTheirMessage) {
    struct Case {
        const char* name;
        const char* remove;
    };
    for (Case c : {Case{"wall", "Resource_Blade/CSV/Cathedral_Wall.csv"},
                   Case{"order", "Resource_Blade/CSV/field_order.csv"},
                   Case{"floor", "Resource_Blade/CSV/Field_1.csv"}}) {
        writeRun();
        std::filesystem::remove(c.remove);
        platformStub.messages.clear();
        EXPECT_FALSE(field.load()) << c.name;
        ASSERT_EQ(platformStub.messages.size(), 1u) << c.name;
        EXPECT_EQ(shown(platformStub.messages[0]), std::string("エラー|") + kCsvError) << c.name;
        field.release();
        EXPECT_EQ(MeshCache::size(), 0u) << c.name;
    }
}

TEST_F(FieldLoadTest, MissingMeshFailsBeforeAnyStageIsRead) {
    std::filesystem::remove("Resource_Blade/FieldObject/cylinder_obj.x");
    EXPECT_FALSE(field.load());
    EXPECT_EQ(field.cylinderMesh, nullptr);
    EXPECT_TRUE(field.templates[0].empty());
}

// ---- The shipped stages ----

TEST_F(FieldTest, ShippedStagesHaveAStartCellAndALongEnoughOrder) {
    const char* source = std::getenv("HC_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "HC_SOURCE_DIR not set";
    const std::string dir = std::string(source) + "/content/CSV/";
    const char* floors[7] = {"Field_1", "Field_2", "Field_3", "Field_4", "Field_5", "Field_6", "Cathedral"};
    const char* wallsOf[7] = {"Wall_1", "Wall_2", "Wall_3", "Wall_4", "Wall_5", "Wall_6", "Cathedral_Wall"};
    for (int slot = 0; slot < 7; ++slot) {
        std::vector<FieldChip> list;
        std::int32_t start = -1;
        ASSERT_TRUE(field.readStageCsv(dir + floors[slot] + ".csv", slot, &start, list)) << floors[slot];
        ASSERT_GE(start, 0) << floors[slot];
        EXPECT_EQ(list[static_cast<std::size_t>(start)].letter, 'P') << floors[slot];
        std::size_t floor = list.size();
        ASSERT_TRUE(field.readStageCsv(dir + wallsOf[slot] + ".csv", slot, nullptr, list)) << wallsOf[slot];
        EXPECT_GT(list.size(), floor) << wallsOf[slot];
    }
    // A story run plays 30 stages and looks one ahead.
    ASSERT_TRUE(field.readStageOrderFile(dir + "field_order.csv"));
    EXPECT_GE(field.stageOrder.size(), 31u);
    EXPECT_TRUE(platformStub.messages.empty());
}

}  // namespace
}  // namespace hc
