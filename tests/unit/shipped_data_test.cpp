// The data that ships in Resource_Blade/, read through the game's own readers: every stage keeps the
// knight inside its walls, the order reaches the last stage, and the lights and rankings hold what
// the game expects of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/camera.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "game/enemy_base.h"
#include "game/field.h"
#include "game/field_info.h"
#include "game/light_settings.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "scenes/ranking_table.h"
#include "test_platform.h"

namespace hc {
namespace {

const char* const kFloorNames[Field::kSlotCount] = {"Field_1", "Field_2", "Field_3", "Field_4",
                                                    "Field_5", "SpecialStage", "Cathedral"};
constexpr int kCathedralSlot = 6;
constexpr int kStoryStages = 30;

using Cell = std::pair<int, int>;  // x, z

std::string describe(Cell c) {
    std::ostringstream s;
    s << "(" << c.first << ", " << c.second << ")";
    return s.str();
}

Vec3 positionOf(const FieldChip& chip) { return Vec3{chip.world.m[3][0], chip.world.m[3][1], chip.world.m[3][2]}; }

Cell cellAt(float x, float z) { return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(z))}; }

// The runtime folder is the working directory while the object lives, so the game's own relative
// paths resolve as they do for the programs.
class InRuntimeFolder {
public:
    explicit InRuntimeFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InRuntimeFolder() { std::filesystem::current_path(saved_); }
    InRuntimeFolder(const InRuntimeFolder&) = delete;
    InRuntimeFolder& operator=(const InRuntimeFolder&) = delete;

private:
    std::filesystem::path saved_;
};

// What a knight standing at height 0 meets on one stage: the cells with ground under them, the cells a
// wall chip closes, and the cells reached from the start cell without crossing either edge.
struct StageMap {
    std::set<Cell> floor;
    std::set<Cell> blocked;
    Cell start{0, 0};
    std::set<Cell> reachable;
    std::set<Cell> leaks;  // cells without ground that the fill stepped onto

    bool reaches(Cell c) const { return reachable.count(c) != 0; }
};

// Ground is a drawn block written at height 0, so its top lies at the knight's feet. A wall chip closes
// its cell when the collision treats it as solid for a knight at height 0: letter A or B, less than 1.2
// above him.
StageMap mapStage(const Field& field, int slot) {
    StageMap map;
    const std::vector<FieldChip>& chips = field.templates[slot];
    const std::size_t floorCount = static_cast<std::size_t>(field.floorCount[slot]);
    for (std::size_t i = 0; i < chips.size(); ++i) {
        const FieldChip& chip = chips[i];
        Vec3 p = positionOf(chip);
        Cell cell = cellAt(p.x, p.z);
        if (i < floorCount) {
            if (std::strchr("BGLO", chip.letter) && chip.letter != '\0' && std::fabs(p.y + 0.5f) < 1e-4f)
                map.floor.insert(cell);
        } else if ((chip.letter == 'A' || chip.letter == 'B') && p.y < 1.2f) {
            map.blocked.insert(cell);
        }
    }
    map.start = cellAt(field.startPosition[slot].x, field.startPosition[slot].z);

    // Eight neighbours: a diagonal step between two closed cells counts as open, so a corner where two
    // wall runs only touch shows up as a leak.
    std::queue<Cell> open;
    if (map.floor.count(map.start) && !map.blocked.count(map.start)) {
        map.reachable.insert(map.start);
        open.push(map.start);
    }
    while (!open.empty()) {
        Cell c = open.front();
        open.pop();
        for (int dz = -1; dz <= 1; ++dz)
            for (int dx = -1; dx <= 1; ++dx) {
                Cell n{c.first + dx, c.second + dz};
                if ((dx == 0 && dz == 0) || map.blocked.count(n) || map.reachable.count(n)) continue;
                if (!map.floor.count(n)) {
                    map.leaks.insert(n);
                    continue;
                }
                map.reachable.insert(n);
                open.push(n);
            }
    }
    return map;
}

class ShippedDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* runtimeDir = std::getenv("HC_RUNTIME_DIR");
        const char* sourceDir = std::getenv("HC_SOURCE_DIR");
        if (!runtimeDir || !sourceDir) GTEST_SKIP() << "HC_RUNTIME_DIR or HC_SOURCE_DIR not set";
        source = sourceDir;
        inRuntime = std::make_unique<InRuntimeFolder>(runtimeDir);
        device = createHeadlessDevice();
        device->recording = false;
        gDevice = device.get();
        sound = createHeadlessSoundDevice(scoped.platform.manualClock);
        gSoundDevice = sound.get();
        gCamera.init();
    }
    void TearDown() override {
        field.release();
        LightSettings::release();
        gSoundDevice = nullptr;
        gDevice = nullptr;
        inRuntime.reset();
    }

    // Reads all seven stages and the order exactly as a run does.
    void loadField() {
        ASSERT_TRUE(field.load()) << "the shipped stages do not load";
        ASSERT_TRUE(scoped.platform.messages.empty()) << scoped.platform.messages[0].text;
        for (int slot = 0; slot < Field::kSlotCount; ++slot) maps[slot] = mapStage(field, slot);
    }

    test::ScopedTestPlatform scoped;
    std::filesystem::path source;
    std::unique_ptr<InRuntimeFolder> inRuntime;
    std::unique_ptr<Device> device;
    std::unique_ptr<SoundDevice> sound;
    Field field;
    StageMap maps[Field::kSlotCount];
};

// ---- Stages ----

TEST_F(ShippedDataTest, EveryFloorHasOneStartCellOnTheGround) {
    loadField();
    for (int slot = 0; slot < Field::kSlotCount; ++slot) {
        SCOPED_TRACE(kFloorNames[slot]);
        const std::vector<FieldChip>& chips = field.templates[slot];
        const std::size_t floorCount = static_cast<std::size_t>(field.floorCount[slot]);
        std::set<Cell> startCells;
        for (std::size_t i = 0; i < chips.size(); ++i) {
            if (chips[i].letter != 'P') continue;
            EXPECT_LT(i, floorCount) << "a start cell in the wall file";
            startCells.insert(cellAt(chips[i].world.m[3][0], chips[i].world.m[3][2]));
        }
        ASSERT_EQ(startCells.size(), 1u) << "start cells: " << startCells.size();
        ASSERT_GE(field.startChipIndex[slot], 0);
        ASSERT_LT(static_cast<std::size_t>(field.startChipIndex[slot]), floorCount);
        EXPECT_EQ(chips[static_cast<std::size_t>(field.startChipIndex[slot])].letter, 'P');
        // The knight is put here at the start of the stage: on the ground, in a cell he can leave.
        EXPECT_EQ(field.startPosition[slot].y, 0.0f);
        EXPECT_EQ(*startCells.begin(), maps[slot].start);
        EXPECT_TRUE(maps[slot].floor.count(maps[slot].start)) << "no ground under the start";
        EXPECT_FALSE(maps[slot].blocked.count(maps[slot].start)) << "the start is inside a wall";
        EXPECT_GT(maps[slot].reachable.size(), 100u) << "hardly any room around the start";
    }

    // The title's backdrop reads stage 3 with its own reader and circles its start.
    std::vector<FieldChip> chips;
    std::uint32_t count = 0;
    Vec3 start{-1, -1, -1};
    ASSERT_TRUE(readFieldInfo("Resource_Blade/CSV/Field_3.csv", chips, count, &start));
    EXPECT_EQ(cellAt(start.x, start.z), maps[2].start);
}

TEST_F(ShippedDataTest, TheGroundReachedFromTheStartEndsAtAWallEverywhere) {
    loadField();
    for (int slot = 0; slot < Field::kSlotCount; ++slot) {
        std::string leaks;
        int listed = 0;
        for (Cell c : maps[slot].leaks)
            if (++listed <= 8) leaks += describe(c) + " ";
        EXPECT_TRUE(maps[slot].leaks.empty())
            << kFloorNames[slot] << ": the knight can walk off the ground at " << leaks;
    }
}

TEST_F(ShippedDataTest, TheObsidianCanBeReachedInTheCathedral) {
    loadField();
    // The lone enemy of the last stage stands at (21, -2, 69); the knight must get within 2.4 of it in
    // x and z, that is onto one of the cells 19 to 23 by 67 to 71.
    int near = 0;
    for (int z = 67; z <= 71; ++z)
        for (int x = 19; x <= 23; ++x)
            if (maps[kCathedralSlot].reaches({x, z})) ++near;
    EXPECT_GT(near, 0) << "no ground within reach of the obsidian is reachable from the start";
}

// ---- Stage order ----

TEST_F(ShippedDataTest, TheOrderCoversAStoryRunAndEndsInTheCathedral) {
    loadField();
    // Stage 30 and the one looked up after it.
    ASSERT_GE(field.stageOrder.size(), static_cast<std::size_t>(kStoryStages + 1));
    EXPECT_EQ(field.stageOrder[kStoryStages - 1], kCathedralSlot) << "stage 30 is not the cathedral";
    // The cathedral holds the obsidian, broken once at the end of the story; the endless run takes
    // its first 28 stages from the same list.
    for (int k = 0; k < kStoryStages - 1; ++k)
        EXPECT_NE(field.stageOrder[static_cast<std::size_t>(k)], kCathedralSlot) << "stage " << k + 1;
}

// ---- Lights ----

TEST_F(ShippedDataTest, ThreeLightsShineDownward) {
    LightSettings::load("Resource_Blade/LightDate.txt");
    ASSERT_NE(LightSettings::table, nullptr);
    int lights = 0;
    for (int k = 0; k < LightSettings::kLightCount; ++k) {
        const LightRecord& r = LightSettings::table[k];
        EXPECT_EQ(device->lightEnabled(static_cast<std::uint32_t>(k)), r.enabled == 1) << "light " << k;
        if (!r.enabled) continue;
        ++lights;
        const Vec3 d = r.light.direction;
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        ASSERT_GT(length, 0.0f) << "light " << k;
        // A light from below would light the undersides of the floor the camera never sees.
        EXPECT_LT(d.y / length, -0.2f) << "light " << k << " (" << r.name << ") direction " << d.x << ", " << d.y
                                       << ", " << d.z;
    }
    EXPECT_EQ(lights, 3);
}

// ---- Rankings ----

TEST_F(ShippedDataTest, BothRankingsReadBackWithTheirEntries) {
    struct Case {
        const char* file;
        int highestStage;  // a story run ends with stage 30; an endless run has no end
    };
    const Case cases[] = {{"ranking_date", kStoryStages}, {"inf_ranking_date", 1 << 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RankingTable shipped;
        ASSERT_TRUE(shipped.read((source / "content/Ranking" / c.file).string()));
        ASSERT_EQ(shipped.count(), 6);
        for (int i = 0; i < shipped.count(); ++i) {
            const RankingRecord& r = shipped.records[static_cast<std::size_t>(i)];
            EXPECT_EQ(r.position, i + 1);
            // Names as the name entry writes them: five letters from A to Z or blanks.
            ASSERT_EQ(std::strlen(r.name), 5u) << "entry " << i + 1;
            for (int j = 0; j < 5; ++j)
                EXPECT_TRUE((r.name[j] >= 'A' && r.name[j] <= 'Z') || r.name[j] == ' ') << "entry " << i + 1;
            // Only a run that ends at stage 4 or later is entered.
            EXPECT_GE(r.stage, 4) << "entry " << i + 1;
            EXPECT_LE(r.stage, c.highestStage) << "entry " << i + 1;
            if (i > 0) {
                EXPECT_LT(static_cast<std::uint32_t>(r.score),
                          static_cast<std::uint32_t>(shipped.records[static_cast<std::size_t>(i) - 1].score))
                    << "entry " << i + 1 << " is out of order";
            }
        }
        // The runtime copy is the player's own and may have grown, but it reads.
        RankingTable runtime;
        EXPECT_TRUE(runtime.read(std::string("Resource_Blade/Ranking/") + c.file));
        EXPECT_GE(runtime.count(), shipped.count());
    }
    EXPECT_TRUE(scoped.platform.messages.empty());
}

}  // namespace
}  // namespace hc
