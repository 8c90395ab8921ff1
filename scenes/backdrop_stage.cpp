#include "scenes/backdrop_stage.h"

#include <cmath>
#include <cstdlib>

#include "engine/camera.h"
#include "engine/services.h"
#include "game/field_info.h"
#include "platform/platform.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kPitchRadians = 0.2617993950843811f;  // the orbit's fixed 15 degrees

MeshEntry* meshForLetter(const BackdropStage& stage, char letter) {
    switch (letter) {
    case 'B':
    case 'G':
    case 'L':
    case 'O':
    case 'P': return stage.boxMesh;
    case 'C': return stage.cylinderMesh;
    case 'H': return stage.halfBoxMesh;
    default: return nullptr;
    }
}

bool outsideView(const Matrix& world) {
    const float x = world.m[3][0], y = world.m[3][1], z = world.m[3][2];
    for (const Plane& p : gCamera.worldPlanes)
        if (p.a * x + p.b * y + p.c * z + p.d < BackdropStage::kCullMargin) return true;
    return false;
}

}  // namespace

bool BackdropStage::init() {
    // Every backdrop starts a fresh random sequence: the rocks' sizes and turns differ each time.
    std::srand(platform().clock().milliseconds());
    angle = 0;

    std::vector<FieldChip> floor, walls;
    std::uint32_t floorCount = 0, wallCount = 0;
    bool ok = readFieldInfo(kFloorPath, floor, floorCount, &startPosition) &&
              readFieldInfo(kWallPath, walls, wallCount, nullptr);
    if (ok) {
        chips.clear();
        chips.reserve(floor.size() + walls.size());
        chips.insert(chips.end(), floor.begin(), floor.end());
        chips.insert(chips.end(), walls.begin(), walls.end());
        chipCount = static_cast<std::uint32_t>(chips.size());
        ok = MeshCache::load(kBoxMeshPath, boxMesh) && MeshCache::load(kCylinderMeshPath, cylinderMesh) &&
             MeshCache::load(kHalfBoxMeshPath, halfBoxMesh);
        centre = startPosition;
    }
    gCamera.apply();
    return ok;
}

void BackdropStage::update() {
    angle += kAngleStep;
    if (angle > 360.0f) angle = 0;

    const Vec3 target{centre.x, centre.y, centre.z + kTargetAhead};
    gCamera.orbitTarget = target;
    gCamera.orbitYaw = angle;
    gCamera.orbitPitch = kOrbitPitch;
    gCamera.orbitDistance = kOrbitDistance;

    const float a = angle * kDegreesToRadians;
    const float r = kOrbitDistance * std::cos(kPitchRadians);
    gCamera.eye.y = centre.y + kOrbitDistance * std::sin(kPitchRadians);
    gCamera.eye.x = target.x - r * std::sin(a);
    gCamera.eye.z = target.z - r * std::cos(a);
    gCamera.lookAt = target;
    gCamera.apply();
}

void BackdropStage::draw() {
    Device& device = *gDevice;
    device.setRenderState(RenderState::Lighting, 1);
    gCamera.updateFrustum();

    for (const FieldChip& chip : chips) {
        if (outsideView(chip.world)) continue;
        device.setTransform(TransformType::World, chip.world);
        MeshEntry* mesh = meshForLetter(*this, chip.letter);
        if (!mesh) continue;
        if (chip.letter == 'H') {
            // Half blocks are drawn sunk into their cell, deeper when they stand high; the chip
            // itself keeps its place, so the lowering never accumulates.
            Matrix lowered = chip.world;
            const float y = lowered.m[3][1];
            lowered.m[3][1] = y > 5.0f ? y - 1.5f : y - 0.5f;
            device.setTransform(TransformType::World, lowered);
        }
        MeshCache::draw(mesh);
    }

    // Set after the chips, so this frame's chips are drawn with the fog of the frame before.
    device.setRenderState(RenderState::FogEnable, 1);
    device.setRenderState(RenderState::RangeFogEnable, 1);
    device.setRenderState(RenderState::FogColor, 0);
    device.setRenderState(RenderState::FogVertexMode, FOG_LINEAR);
    device.setRenderState(RenderState::FogStart, floatBits(gCamera.eye.y + 1.0f));
    device.setRenderState(RenderState::FogEnd, floatBits(gCamera.eye.y + 22.0f));
}

void BackdropStage::release() {
    MeshCache::release(boxMesh);
    MeshCache::release(cylinderMesh);
    MeshCache::release(halfBoxMesh);
    boxMesh = cylinderMesh = halfBoxMesh = nullptr;
    chips.clear();
    chipCount = 0;
}

}  // namespace hc
