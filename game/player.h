#pragma once
#include <cstdint>
#include <memory>

#include "engine/pad_button.h"
#include "game/blade.h"
#include "game/character_base.h"

namespace hc {

class EnemyBase;
class EnemyHooks;
class MeshEntry;
class Player;
class SoundBuffer;

// A camera routine of an action: may narrow the view while the action runs; 0 hands the camera back.
using CameraRoutine = std::int32_t (*)(Player& player, std::int32_t phase, float heading);

// The knight steered with the pad: movement and follow camera, action requests from right-stick
// flicks, the two-foot walk, and the combat step that resolves blade hits and enemy attacks.
class Player {
public:
    static constexpr int kCameraRoutineCount = 14;

    enum CameraMode : std::int32_t { kFollow = 1,
                                     kActionView = 2,
                                     kDead = 4,
                                     kFinalEventView = 5,
                                     kEventView = 6 };
    enum Posture : std::int32_t { kPostureFollow = 1,
                                  kPostureZoom = 2,
                                  kPostureAction = 3,
                                  kPostureStageEnd = 4 };
    enum Result : std::int32_t { kRunning = 0,
                                 kWaveCleared = 1,
                                 kPlayerDead = 2 };

    // Pad buttons read by the knight.
    static constexpr PadButton kCancelButton = PadButton::LeftStick;
    static constexpr PadButton kSecondFamilyButton = PadButton::RightStick;

    Blade blade;
    CameraRoutine cameraRoutines[kCameraRoutineCount] = {};
    std::int32_t phaseSeen = 0;
    std::uint32_t phaseFrames = 0;
    MeshEntry* bodyMesh = nullptr;
    MeshEntry* leftFootMesh = nullptr;
    MeshEntry* rightFootMesh = nullptr;
    SoundBuffer* firstHitSound = nullptr;
    SoundBuffer* secondHitSound = nullptr;
    std::int32_t cameraMode = kFollow;
    float heading = 0;
    float bodyPitch = 0;
    float targetHeading = 0;
    float gauge = 0;
    float deathAlpha = 0;
    std::uint32_t regenCounter = 0;
    std::uint32_t hitChain = 0;
    std::uint32_t ghostCounter = 0;
    bool flickLatch = false;
    float flickMagnitude = 0;
    float flickPeak = 0;
    std::int32_t cameraPosture = kPostureFollow;
    std::uint32_t postureCounter = 0;
    float cameraDistance = 10.0f;
    float cameraYaw = 0;
    float cameraPitch = 67.5f;
    bool stepFoot = false;  // set while the left foot is the moving foot
    float stride = 0;
    float trailStride = 0;
    Vec3 leftFoot{0, 0, 0};  // offsets from the body position; y is the foot's lift
    Vec3 rightFoot{0, 0, 0};
    Vec3 lastStep{0, 0, 0};  // world position where the moving foot left the ground
    std::unique_ptr<CharacterBase> character;
    EnemyBase* enemies = nullptr;      // the current wave, written by the enemy manager
    EnemyHooks* enemyHooks = nullptr;  // the enemy manager's side of the combat step; null: no wave
    std::int32_t result = kRunning;
    std::int32_t enemiesLeft = 0;
    std::int32_t lastAction = 0;

    Player();

    // Loads the knight's meshes, hit sounds and blade, and creates its record at the start position.
    bool init(float x, float y, float z);
    // Pad to movement, action requests, camera and blade; pad values as the input state gives them.
    void update(std::uint32_t padHeld, std::uint32_t padPressed, float leftStickX, float leftStickY,
                float rightStickX, float rightStickY, float zAxis);
    // One frame of play; frozen while a story event shows. Returns the score gained this frame.
    std::int32_t combatStep(bool frozen);
    void draw();
    void release();

    // The body's world matrix used by the blade, the walls and the story knight.
    Matrix worldMatrix() const;
    // Score of one blade hit on an enemy of this kind by the current action (0: no hit); hits of the
    // spin and the finisher raise the hit chain.
    std::int32_t hitScore(std::int32_t kind);
    void playHitSounds();

private:
    void resetState();
    void readFlick(std::uint32_t padHeld, std::uint32_t padPressed, float rightStickX, float rightStickY);
    Vec3 walk(float leftStickX, float leftStickY);
    void zoom(float zAxis);
    void actionCamera();
    void eventView();
    // Eases distance and pitch over 17 frames after a change of posture; the yaw at half the fraction.
    bool easePosture(std::int32_t posture, float distance, float pitch, float yaw);
    void turnToward(float target);
    void stepFeet(Vec3 movement);
    void swapFeet();
    void handOver(Vec3 movement);
    void resolveHits(std::int32_t& score);
    MeshEntry* meshForKind(std::int32_t kind) const;
    Matrix bodyMatrix(Vec3 offset, float scale) const;
};

}  // namespace hc
