// The data that ships in Resource_Blade/, read through the game's own readers: every stage keeps the
// knight inside its walls, the order reaches the last stage, the texts fit where they are drawn, and
// the lights, remarks and rankings hold what the game expects of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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
#include "game/enemy_manager.h"
#include "game/field.h"
#include "game/field_info.h"
#include "game/light_settings.h"
#include "game/player.h"
#include "platform/font.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "scenes/mutter_window.h"
#include "scenes/ranking_table.h"
#include "scenes/scenario_event.h"
#include "test_platform.h"
#include "tests/support/working_folder.h"

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
        inRuntime = std::make_unique<testsupport::WorkingFolder>(runtimeDir);
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

    // Makes slot the stage being played, as the end of a stage change leaves it.
    void play(int slot) {
        field.currentSlot = slot;
        field.chips = field.templates[slot];
        field.chipCount = field.chipTotal[slot];
    }

    test::ScopedTestPlatform scoped;
    std::filesystem::path source;
    std::unique_ptr<testsupport::WorkingFolder> inRuntime;
    std::unique_ptr<Device> device;
    std::unique_ptr<SoundDevice> sound;
    Field field;
    StageMap maps[Field::kSlotCount];
};

// ---- Stages ----

TEST_F(ShippedDataTest, EveryFloorHasOneStartCellOnTheGround) {
    ASSERT_NO_FATAL_FAILURE(loadField());
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
    ASSERT_NO_FATAL_FAILURE(loadField());
    for (int slot = 0; slot < Field::kSlotCount; ++slot) {
        std::string leaks;
        int listed = 0;
        for (Cell c : maps[slot].leaks)
            if (++listed <= 8) leaks += describe(c) + " ";
        EXPECT_TRUE(maps[slot].leaks.empty())
            << kFloorNames[slot] << ": the knight can walk off the ground at " << leaks;
    }
}

// The knight himself, walked outward from the start in the eight stick directions through the game's
// own step (walk, wall collision, move), never leaves the ground the fill found and comes to rest.
TEST_F(ShippedDataTest, TheKnightWalkingOutwardStopsAtTheWalls) {
    ASSERT_NO_FATAL_FAILURE(loadField());
    constexpr int kSteps = 6000;  // across the longest stage and along its round wall to rest
    constexpr int kRestSteps = 60;
    for (int slot = 0; slot < Field::kSlotCount; ++slot) {
        play(slot);
        const Vec3 start = field.startPosition[slot];
        for (int direction = 0; direction < 8; ++direction) {
            SCOPED_TRACE(std::string(kFloorNames[slot]) + " direction " + std::to_string(direction * 45));
            Player player;
            ASSERT_TRUE(player.init(start.x, start.y, start.z));
            const float angle = static_cast<float>(direction) * 0.7853982f;
            // Stick y runs downward: full deflection up walks toward +z.
            const float stickX = 800.0f * std::sin(angle);
            const float stickY = -800.0f * std::cos(angle);
            Vec3 restFrom{};
            bool escaped = false;
            for (int step = 0; step < kSteps && !escaped; ++step) {
                if (step == kSteps - kRestSteps) restFrom = player.character->transform.position;
                player.update(0, 0, stickX, stickY, 0, 0, 0);
                player.character->move =
                    field.collideWalls(player.bodyMesh, player.character->move, player.worldMatrix());
                applyMoves(player.character.get(), nullptr, 0);
                Vec3 p = player.character->transform.position;
                if (!maps[slot].reaches(cellAt(p.x, p.z))) {
                    ADD_FAILURE() << "the knight left the walled ground at (" << p.x << ", " << p.z << ") after "
                                  << step << " steps";
                    escaped = true;
                }
            }
            if (!escaped) {
                Vec3 p = player.character->transform.position;
                EXPECT_LT(std::hypot(p.x - restFrom.x, p.z - restFrom.z), 0.01f)
                    << "still walking at (" << p.x << ", " << p.z << ")";
            }
            player.release();
        }
    }
}

// Only A and B chips low enough stop the knight: any other drawn wall chip standing where he walks,
// at the height of his body, is one he passes through.
TEST_F(ShippedDataTest, EveryObstacleOnTheWalkableGroundStopsTheKnight) {
    ASSERT_NO_FATAL_FAILURE(loadField());
    for (int slot = 0; slot < Field::kSlotCount; ++slot) {
        const std::vector<FieldChip>& chips = field.templates[slot];
        std::string ghosts;
        int count = 0;
        for (std::size_t i = static_cast<std::size_t>(field.floorCount[slot]); i < chips.size(); ++i) {
            const FieldChip& chip = chips[i];
            if (chip.letter == '\0' || !std::strchr("BGLOCH", chip.letter)) continue;
            const Vec3 p = positionOf(chip);
            const Cell cell = cellAt(p.x, p.z);
            if (!maps[slot].reaches(cell)) continue;
            // Vertical extent of the drawn mesh: cylinders stand on their point, half blocks hang
            // below it, the others are centred on it.
            const float* up = chip.world.m[1];
            const float height = std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
            float low = p.y - 0.5f * height, high = p.y + 0.5f * height;
            if (chip.letter == 'C') low = p.y, high = p.y + height;
            if (chip.letter == 'H') low = p.y - 0.5f * height, high = p.y;
            if (high <= 0.3f || low >= 1.7f) continue;  // under his feet or over his head
            if (++count <= 8) ghosts += std::string(1, chip.letter) + " at " + describe(cell) + " ";
        }
        EXPECT_EQ(count, 0) << kFloorNames[slot] << ": the knight walks through " << ghosts;
    }
}

TEST_F(ShippedDataTest, TheObsidianCanBeReachedInTheCathedral) {
    ASSERT_NO_FATAL_FAILURE(loadField());
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
    ASSERT_NO_FATAL_FAILURE(loadField());
    // Stage 30 and the one looked up after it.
    ASSERT_GE(field.stageOrder.size(), static_cast<std::size_t>(kStoryStages + 1));
    EXPECT_EQ(field.stageOrder[kStoryStages - 1], kCathedralSlot) << "stage 30 is not the cathedral";
    // The cathedral holds the obsidian, broken once at the end of the story; the endless run takes
    // its first 28 stages from the same list.
    for (int k = 0; k < kStoryStages - 1; ++k)
        EXPECT_NE(field.stageOrder[static_cast<std::size_t>(k)], kCathedralSlot) << "stage " << k + 1;
}

// ---- Waves ----

const char* const kWaveFiles[EnemyManager::kTableCount] = {
    "tutorial1.csv", "tutorial2.csv", "enemy_a.csv", "enemy_c.csv", "enemy_d.csv",
    "enemy_e.csv", "enemy_g.csv", "enemy_f.csv", "enemy_h.csv", "enemy_i.csv"};

// The five fields of every line of a wave file, read the plain way.
std::vector<std::vector<float>> plainWaveLines(const std::string& path) {
    std::vector<std::vector<float>> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<float> fields;
        std::stringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) fields.push_back(std::strtof(cell.c_str(), nullptr));
        lines.push_back(fields);
    }
    return lines;
}

TEST_F(ShippedDataTest, EveryWaveStandsOnTheGroundOfEveryStageThatUsesIt) {
    ASSERT_NO_FATAL_FAILURE(loadField());
    EnemyManager manager;
    EnemyBase* waveSlot = nullptr;
    ASSERT_TRUE(manager.load(&waveSlot, 0, false));
    ASSERT_TRUE(scoped.platform.messages.empty()) << scoped.platform.messages[0].text;

    // Which slots build their waves from each table, over every stage a run can reach.
    std::map<int, std::set<int>> slotsOf;
    for (int slot = 0; slot < Field::kSlotCount; ++slot)
        for (std::uint32_t stage = 1; stage <= 60; ++stage) {
            std::int32_t table = EnemyManager::tableIndex(slot, stage);
            if (table >= 0) slotsOf[table].insert(slot);
        }

    for (int t = 0; t < EnemyManager::kTableCount; ++t) {
        SCOPED_TRACE(kWaveFiles[t]);
        // The game's reader has its own number rule; it must read what a plain reading of the text
        // says, or a field would have shifted.
        const auto plain = plainWaveLines(std::string("Resource_Blade/Ene_CSVファイル/") + kWaveFiles[t]);
        ASSERT_EQ(manager.tableCounts[t], static_cast<std::int32_t>(plain.size()));
        ASSERT_GT(manager.tableCounts[t], 0);
        const EnemyBase* table = manager.tables[t].get();
        std::int32_t highestGroup = 0;
        for (std::int32_t i = 0; i < manager.tableCounts[t]; ++i) {
            const EnemyBase& e = table[i];
            const std::vector<float>& line = plain[static_cast<std::size_t>(i)];
            SCOPED_TRACE("line " + std::to_string(i + 1));
            ASSERT_EQ(line.size(), 5u);
            EXPECT_EQ(e.transform.position.x, line[0]);
            EXPECT_EQ(e.transform.position.y, line[1]);
            EXPECT_EQ(e.transform.position.z, line[2]);
            EXPECT_EQ(static_cast<float>(e.kind), line[3]);
            EXPECT_EQ(static_cast<float>(e.spawnGroup), line[4]);
            // Golems walk on the ground; the obsidian (7) is never read from a table.
            EXPECT_EQ(e.transform.position.y, 0.0f);
            EXPECT_GE(e.kind, 0);
            EXPECT_LE(e.kind, 6);
            // Later passes over the table add the last line's group: it must be the highest.
            EXPECT_GE(e.spawnGroup, highestGroup) << "groups go down";
            highestGroup = std::max(highestGroup, e.spawnGroup);

            const Cell cell = cellAt(e.transform.position.x, e.transform.position.z);
            for (int slot : slotsOf[t]) {
                EXPECT_TRUE(maps[slot].reaches(cell))
                    << kFloorNames[slot] << ": enemy at " << describe(cell) << " is off the walled ground";
                // An enemy entering on top of the knight would strike before it is seen.
                const Vec3 start = field.startPosition[slot];
                EXPECT_GE(std::hypot(e.transform.position.x - start.x, e.transform.position.z - start.z), 5.0f)
                    << kFloorNames[slot] << ": enemy at " << describe(cell) << " enters next to the start";
            }
        }
        EXPECT_EQ(table[0].spawnGroup, 0) << "nothing enters on the first frame";
    }
    manager.release(&waveSlot);
}

// ---- Story script and remarks ----

// The game's own face, used to measure how wide a text is drawn.
std::unique_ptr<Font> gameFont(Device& device) { return Font::create(device, 0, 900, "MS ゴシック"); }

std::string withoutLineBreak(const char* record) {
    std::string text(record);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

TEST_F(ShippedDataTest, TheScriptFillsTheEventRangesAndFitsTheEventPanel) {
    ScenarioEvent event;
    ASSERT_TRUE(event.readScript(ScenarioEvent::kScriptPath));
    // The three events show lines 0 to 32, 33 to 71 and 72 to 131.
    EXPECT_EQ(event.lineCount, 132u);
    std::unique_ptr<Font> font = gameFont(*device);
    ASSERT_NE(font, nullptr) << "no Japanese face found through fontconfig";

    // The text is drawn from x 378 at 1.15 times its size over the event panel, which spans x 341 to
    // 945 on the screen.
    constexpr float kTextLeft = 378.0f, kTextScale = 1.15f, kPanelRight = 341.0f + 604.0f;
    for (unsigned int i = 0; i < event.lineCount; ++i) {
        const char* record = event.lines[i].text;
        // A line longer than 127 bytes with its line break is split into two records, which shifts
        // every later line.
        const std::size_t bytes = std::strlen(record);
        EXPECT_TRUE(bytes > 0 && record[bytes - 1] == '\n') << "line " << i + 1 << " does not end within one record";
        const std::string text = withoutLineBreak(record);
        const int width = font->measure(text.c_str(), static_cast<int>(text.size()));
        EXPECT_LE(kTextLeft + kTextScale * static_cast<float>(width), kPanelRight)
            << "line " << i + 1 << " runs past the event panel (" << width << " pixels): " << sjisToUtf8(text);
        // A page (three lines from a multiple of 3) stops drawing after a line that begins with "Fin":
        // only the last page may hold one, with nothing after it.
        if (std::strncmp(record, "Fin", 3) == 0) {
            EXPECT_GE(i, 129u) << "line " << i + 1 << " cuts its page short";
            for (unsigned int j = i + 1; j < i - i % 3 + 3 && j < event.lineCount; ++j)
                EXPECT_STREQ(event.lines[j].text, "\n") << "line " << j + 1 << " is never shown";
        }
    }
}

TEST_F(ShippedDataTest, TheRemarksUseEveryWindowAndFitInIt) {
    MutterWindow mutter;
    ASSERT_TRUE(mutter.init());
    ASSERT_GE(mutter.count, 5) << "the remarks file was not read";
    std::unique_ptr<Font> font = gameFont(*device);
    ASSERT_NE(font, nullptr) << "no Japanese face found through fontconfig";

    // Window x and blinking marker x of the five window pictures, narrowest first. The text is drawn
    // from window x + 42.5 at 0.85 times its size and must end before the marker.
    const float windowX[5] = {418, 370, 322, 274, 130};
    const float markerX[5] = {747, 829, 887, 999, 1103};
    int used[5] = {};
    for (int index = 1; index <= mutter.count; ++index) {
        const char* record = mutter.lines[static_cast<std::size_t>(index)].text;
        const int bytes = static_cast<int>(std::strlen(record));
        ASSERT_TRUE(bytes > 0 && record[bytes - 1] == '\n') << "remark " << index << " does not end within one record";
        const int window = MutterWindow::windowFor(bytes);
        ++used[window];
        const std::string text = withoutLineBreak(record);
        const int width = font->measure(text.c_str(), static_cast<int>(text.size()));
        const float right = windowX[window] + 42.5f + 0.85f * static_cast<float>(width);
        EXPECT_LE(right, markerX[window]) << "remark " << index << " (" << bytes << " bytes, window " << window
                                          << ") runs into the marker: " << sjisToUtf8(text);
    }
    for (int window = 0; window < 5; ++window) EXPECT_GT(used[window], 0) << "window " << window << " is never used";
    mutter.release();
}

// ---- Meshes ----

// The game samples 3-D textures with border addressing and a transparent black border (set once at
// start-up), so a textured face whose coordinates leave 0 to 1 is drawn partly invisible.
TEST_F(ShippedDataTest, TexturedMeshesStayInsideTheirTextures) {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("Resource_Blade"))
        if (entry.path().extension() == ".x") paths.push_back(entry.path().generic_string());
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths) {
        MeshEntry* entry = nullptr;
        ASSERT_TRUE(MeshCache::load(path, entry)) << path;
        const Mesh& mesh = *entry->mesh;
        int outside = 0, used = 0;
        for (std::size_t s = 0; s < mesh.subsets.size() && s < entry->textures.size(); ++s) {
            if (!entry->textures[s]) continue;
            const Mesh::Subset& subset = mesh.subsets[s];
            for (std::uint32_t k = 0; k < subset.triangleCount * 3; ++k) {
                const VertexPositionNormalTex& v = mesh.vertices[mesh.indices[subset.startIndex + k]];
                ++used;
                if (v.u < -0.001f || v.u > 1.001f || v.v < -0.001f || v.v > 1.001f) ++outside;
            }
        }
        EXPECT_EQ(outside, 0) << path << ": " << outside << " of " << used
                              << " textured corners sample outside the texture";
        MeshCache::release(entry);
    }
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
