#pragma once
#include <cstdint>
#include <vector>

#include "engine/mesh_cache.h"
#include "game/field_chip.h"
#include "platform/math3d.h"

namespace hc {

// The 3-D picture behind the title, the ranking screen and the name entry: stage 3's floor and walls,
// seen from a camera that circles the stage's start cell once every 721 ticks. Nothing in it reacts to
// input.
class BackdropStage {
public:
    static constexpr const char* kFloorPath = "Resource_Blade/CSV/Field_3.csv";
    static constexpr const char* kWallPath = "Resource_Blade/CSV/Wall_3.csv";
    static constexpr const char* kBoxMeshPath = "Resource_Blade/FieldObject/rockbox.x";
    static constexpr const char* kCylinderMeshPath = "Resource_Blade/FieldObject/cylinder_obj.x";
    static constexpr const char* kHalfBoxMeshPath = "Resource_Blade/FieldObject/boxhalf_obj.x";

    static constexpr float kAngleStep = 0.5f;    // degrees per tick
    static constexpr float kOrbitPitch = 15.0f;  // degrees above the target
    static constexpr float kOrbitDistance = 9.0f;
    static constexpr float kTargetAhead = 30.0f;  // the orbit's centre lies this far along +z
    static constexpr float kCullMargin = -1.0f;   // chips further outside a frustum plane are skipped

    std::vector<FieldChip> chips;  // floor chips of the stage, then its wall chips
    Vec3 startPosition;
    std::uint32_t chipCount = 0;
    MeshEntry* boxMesh = nullptr;
    MeshEntry* cylinderMesh = nullptr;
    MeshEntry* halfBoxMesh = nullptr;
    Vec3 centre;
    float angle = 0;  // degrees

    // Reseeds the random generator, reads the stage and loads the meshes. False when a file or mesh
    // fails to load (its reader has shown the message).
    bool init();
    // One tick of the orbit: moves the camera.
    void update();
    // Inside the owner's 3-D pass: the chips in view, then the fog states they and the next frame use.
    void draw();
    // Gives back the meshes and the chips; safe to call twice or after a failed init.
    void release();
};

}  // namespace hc
