#pragma once
#include <cstdint>
#include <memory>

#include "game/enemy_base.h"
#include "game/enemy_manager_hooks.h"
#include "game/enemy_steering.h"

namespace hc {

class MeshEntry;
class SoundBuffer;

// The golems of a run: loads their meshes and the ten wave tables, builds the wave of each stage, lets
// its groups enter over time, moves them through approach, ring, charge and knock-back, resolves their
// attacks and the blade's damage, and draws them with the fade and topple of the defeated.
//
// The current wave is owned here; the player's wave slot points at it (the combat step reads it).
class EnemyManager {
public:
    static constexpr int kTableCount = 10;
    static constexpr int kStateCount = 4;
    enum State : std::int32_t { kApproach = 0,
                                kRing = 1,
                                kCharge = 2,
                                kKnockBack = 3 };
    // A new group may enter every this many frames (plus one for the test itself)...
    static constexpr float kSpawnInterval = 40.0f;
    // ...while fewer than this many enemies are on the field.
    static constexpr std::int32_t kSpawnLimit = 12;
    // Frames one enemy holds the attack turn before the next may charge.
    static constexpr std::int32_t kAttackLockFrames = 59;
    static constexpr std::int32_t kObsidianKind = 7;
    static constexpr std::int32_t kObsidianSlot = 6;

    // A state handler: sets the move (and heading) of enemy `index` of the wave for this frame.
    using Behaviour = void (*)(EnemyManager& manager, EnemyBase* wave, std::int32_t index, Vec3 player);

    bool story = true;
    SoundBuffer* hitSound = nullptr;
    MeshEntry* golemMesh1 = nullptr;
    MeshEntry* golemMesh2 = nullptr;
    MeshEntry* golemMesh3 = nullptr;
    MeshEntry* obsidianMesh = nullptr;
    std::int32_t enemyCount = 0;
    std::int32_t spawnCounter = 0;
    float spawnTimer = 0;
    // Table i holds wave file i of the load order; a file that failed to load leaves its table empty.
    std::int32_t tableCounts[kTableCount] = {};
    std::unique_ptr<EnemyBase[]> tables[kTableCount];
    Behaviour behaviours[kStateCount];
    std::int32_t attackLock = 0;
    std::unique_ptr<EnemyBase[]> wave;
    // The manager's side of the player's combat step: the game scene hands &hooks to the player.
    EnemyManagerHooks hooks;
    // The approach walk's memory of the current wave.
    EnemySteering steering;

    EnemyManager();
    EnemyManager(const EnemyManager&) = delete;
    EnemyManager& operator=(const EnemyManager&) = delete;

    // Meshes, the hit sound and the ten wave files, then the wave of stage 1. A wave file that fails is
    // reported and skipped, the rest are still read, and the result is false.
    bool load(EnemyBase** waveSlot, std::int32_t slot, bool endlessMode);
    // Replaces the wave with the one of this stage; enemyCount becomes the number to clear.
    void buildWave(EnemyBase** waveSlot, std::uint32_t stageNumber, std::int32_t slot);
    // Tables, wave, meshes (obsidian, golem 3, 2, 1) and the hit sound; the slot is cleared.
    void release(EnemyBase** waveSlot);

    // Enemies of stage s: the story's table, or the endless rule s + q² (2q² on multiples of 10).
    static std::int32_t waveSize(std::uint32_t stageNumber, bool storyRun);
    // Index in load order of the table for this slot and stage, -1 when none applies (slot 6 too).
    static std::int32_t tableIndex(std::int32_t slot, std::uint32_t stageNumber);

    // Spawning, retargeting, the state machine and the attack turn: once a frame of play.
    void moveEnemies(EnemyBase* wave, float playerX, float playerY, float playerZ);
    // A blade hit: false when this swing already hit the enemy; otherwise hit points drop by the damage
    // (not below 0) and the knock-back starts.
    bool enemyTakeHit(EnemyBase& enemy, const Vec3* playerPosition, std::int32_t damage, bool strong);
    // The enemy's blow against the knight's body; true (and the hit sound) when it lands.
    bool enemyAttackTest(MeshEntry* playerBody, EnemyBase& enemy, Vec3 playerPosition);

    // Inside the 3-D pass of the game scene.
    void drawEnemies(EnemyBase* wave);

    // The mesh an enemy of this kind is drawn with; kinds outside 0 to 7 use the first golem.
    MeshEntry* meshForKind(std::int32_t kind) const;
    // The four meshes in the combat step's order (golem 1, 2, 3, obsidian); null for other indices.
    MeshEntry* enemyMesh(std::int32_t index) const;

private:
    void spawnAndRetarget(EnemyBase* wave, Vec3 player);
    void stepState(EnemyBase& enemy, std::int32_t index, Vec3 player);
    static void approach(EnemyManager& manager, EnemyBase* wave, std::int32_t index, Vec3 player);
    static void ring(EnemyManager& manager, EnemyBase* wave, std::int32_t index, Vec3 player);
    static void charge(EnemyManager& manager, EnemyBase* wave, std::int32_t index, Vec3 player);
    static void knockBack(EnemyManager& manager, EnemyBase* wave, std::int32_t index, Vec3 player);
};

}  // namespace hc
