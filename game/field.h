#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/sound_buffer.h"
#include "game/field_chip.h"

namespace hc {

// The stage being played: its chips, drawn with culling and fog, the wall collision of the player, the
// change from one stage to the next and the blocks that drop from the sky.
class Field {
public:
    static constexpr int kSlotCount = 7;
    static constexpr int kBlockCount = 5;
    static constexpr int kLineBufferSize = 1024;
    static constexpr float kChangeFrames = 120.0f;
    static constexpr float kShakeAmplitude = 0.75f;
    static constexpr float kShakeStep = 0.075f;
    static constexpr int kChangeDrawBudget = 80;
    // A stage file may not make more chips than this; such a file is refused like an unreadable one.
    static constexpr std::size_t kMaxChipsPerFile = 1u << 18;
    // Entries of the order file beyond this are ignored: no run reaches them.
    static constexpr std::size_t kMaxStageOrder = 4096;

    // Filled by load.
    MeshEntry* boxMesh = nullptr;
    MeshEntry* cylinderMesh = nullptr;
    MeshEntry* halfBoxMesh = nullptr;
    SoundBuffer* breakSound = nullptr;
    std::uint32_t stageNumber = 0;
    std::vector<FieldChip> templates[kSlotCount];  // floor chips, then wall chips
    Vec3 startPosition[kSlotCount];
    std::int32_t startChipIndex[kSlotCount] = {};
    std::int32_t floorCount[kSlotCount] = {};
    std::int32_t chipTotal[kSlotCount] = {};
    std::vector<std::int32_t> stageOrder;
    std::int32_t currentSlot = 0;
    std::int32_t nextSlot = 0;
    std::vector<FieldChip> chips;  // working copy of the current slot, changed during play
    std::int32_t chipCount = 0;

    // Stage change.
    std::vector<FieldChip> nextChips;
    bool nextChipsAlive = false;
    bool changing = false;
    float changeFrame = 0;
    std::int32_t crumbleCount = 0;
    Vec3 hitPoint;

    // Falling blocks.
    FieldChip blocks[kBlockCount];
    bool blocksShown = false;
    std::int32_t addedChips = 0;
    bool dropsAllowed = false;  // the game scene clears it to hold the drop timer
    std::int32_t dropsLeft = 0;
    float shakeAmplitude = 0;
    std::int32_t dropTimer = 0;
    bool falling = false;
    bool shakePhase = false;  // false: the upward half of a shake cycle comes next
    std::int32_t fallCounter = 0;

    // Reads every stage, the order and the meshes and sound; false after the first failure, whose
    // message has been shown.
    bool load();
    // Appends the chips of one stage file to list. startIndex (floor files only) receives the index of
    // the start cell's chip.
    bool readStageCsv(const std::string& path, std::int32_t slot, std::int32_t* startIndex,
                      std::vector<FieldChip>& list);
    bool readStageOrder();
    // The same from another path (tools).
    bool readStageOrderFile(const std::string& path);

    void draw();
    // The player's move corrected so that his body stops at the faces of solid wall chips.
    Vec3 collideWalls(MeshEntry* body, Vec3 move, Matrix playerWorld);
    // Where the knight stands when a story event begins: two units ahead, or behind when a wall is there.
    Vec3 probeAhead(Matrix playerWorld);
    // Runs one frame of the stage change, starting it when none is running; clears changing on arrival.
    void updateStageChange(bool endlessMode, Matrix playerWorld);
    void updateDrops(bool endlessMode, Matrix playerWorld);
    void release();

    // True when the point lies more than one unit outside one of the camera's frustum planes.
    static bool culled(float x, float y, float z);
    // The slot played as stage number index + 1; slot 0 past the end of the order file.
    std::int32_t orderedSlot(std::uint32_t index) const;
    MeshEntry* meshForLetter(char letter) const;

    // Ticks of the drop timer before the warning shake of the current stage's drops.
    std::int32_t dropWait() const;

private:
    bool drawChip(const FieldChip& chip);
    float startChipHeight() const;
    bool prepareDrop(bool endlessMode, Vec3 player);
    void placeBlocks(Vec3 site);
    void stepFall();
    void resetDrop();
    std::int32_t dropsForStage(bool endlessMode) const;
};

}  // namespace hc
