#pragma once
#include <cstdint>
#include <memory>

#include "game/action_controller.h"
#include "game/blade_lights.h"
#include "game/object_base.h"
#include "game/slash_trail.h"
#include "platform/mesh.h"

namespace hc {

class EnemyBase;
class MeshEntry;

// The knight's weapon: carries the attack controller, turns its pose into the blade's base matrix
// (`world`) and six sample points along the edge, hit-tests them against enemies, and draws the hand,
// the blade's glow shell, the slash trail and the blade lights.
class Blade : public ObjectBase {
public:
    static constexpr int kSampleCount = 6;
    static constexpr float kBladeLength = 0.78f;
    static constexpr float kFinisherLength = 3.12f;
    // Hit values: a mesh hit, and the large enemy's horizontal hit.
    static constexpr std::int32_t kMeshHit = 10;
    static constexpr std::int32_t kLargeEnemyHit = 1;
    static constexpr std::int32_t kLargeEnemyKind = 7;

    std::int32_t handOnly = 0;  // set by a story event: only the empty right hand is drawn
    ActionController controller;
    SlashTrail trail;
    BladeLights lights;
    MeshEntry* handMesh = nullptr;       // the hand holding the blade
    MeshEntry* bladeMesh = nullptr;      // the blade alone, drawn only as the glow shell
    MeshEntry* emptyHandMesh = nullptr;  // the right hand without the blade
    Vec3 movement{0, 0, 0};              // the action's movement of this frame
    float heading = 0;                   // handed back by the controller
    float bodyPitch = 0;
    Vec3 samplePoints[kSampleCount];  // point 0 is the tip
    Vec3 previousPoints[kSampleCount];
    Vec3 probeAxes[3] = {Vec3{10000, 0, 0}, Vec3{0, 10000, 0}, Vec3{0, 0, 10000}};
    std::unique_ptr<Mesh> debugSphere;
    Material debugMaterial{};

    bool init() override;
    void release() override;

    // Once a frame from the player: steps the controller and places the blade at the hand.
    void update(float bodyHeading, float gauge, const Matrix& body);
    // During a strike: 0 for a miss, 10 for a hit on the enemy's mesh, 1 for the large enemy.
    std::int32_t hitTest(const EnemyBase& enemy, MeshEntry* enemyMesh, std::int32_t kind) const;
    void draw(float bodyHeading, float gauge);
    // The dead knight's blade, tipping over with the body and fading out.
    void drawFading(float bodyHeading, float pitch, float alpha);

    // Alpha of the glow shell: the gauge's share of 128, wrapping like a byte.
    static std::uint32_t glowAlpha(float gauge);

private:
    bool pointHits(Vec3 p, Vec3 centre, Vec3 scale, MeshEntry* mesh, const Matrix& enemyWorld,
                   bool centreTest) const;
    bool inside(Vec3 p, MeshEntry* mesh, const Matrix& enemyWorld) const;
    Matrix poseRotation(float bodyHeading, float pitchDegrees) const;
};

}  // namespace hc
