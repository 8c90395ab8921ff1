#include "game/blade.h"

#include <algorithm>
#include <cmath>

#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "game/enemy_base.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kHalfPi = 1.5707964f;
// The swept test of the finisher never divides a frame's swing finer than this.
constexpr int kMaxSweepSteps = 64;

float sinDeg(float degrees) { return std::sin(degrees * kDegreesToRadians); }
float cosDeg(float degrees) { return std::cos(degrees * kDegreesToRadians); }
float lengthSq(Vec3 v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

}  // namespace

bool Blade::init() {
    if (!controller.init()) return false;
    if (!trail.init()) return false;
    lights.init();
    if (!MeshCache::load("Resource_Blade/Mesh/player_blade_hand.x", handMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/blade.x", bladeMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/player_righthand.x", emptyHandMesh)) return false;
    debugSphere = gDevice ? Mesh::createSphere(*gDevice, 1.0f, 16, 16) : nullptr;
    if (!debugSphere) {
        showError("デバッグ用球メッシュ\nロードエラー");
        return false;
    }
    debugMaterial = Material{};
    debugMaterial.diffuse = ColourValue{1, 1, 1, 1};
    handOnly = 0;
    return true;
}

void Blade::release() {
    debugSphere.reset();
    MeshCache::release(handMesh);
    handMesh = nullptr;
    MeshCache::release(bladeMesh);
    bladeMesh = nullptr;
    MeshCache::release(emptyHandMesh);
    emptyHandMesh = nullptr;
    lights.release();
    trail.release();
    controller.release();
}

void Blade::update(float bodyHeading, float gauge, const Matrix& body) {
    Vec3 bodyPosition{body.m[3][0], body.m[3][1], body.m[3][2]};
    Vec3 hand = bodyPosition + movement +
                Vec3{0.42f * sinDeg(bodyHeading + 10.0f), 1.0f, 0.42f * cosDeg(bodyHeading + 10.0f)};

    heading = bodyHeading;
    if (!controller.step(heading, bodyPosition.y, movement, bodyPitch)) {
        movement = Vec3{0, 0, 0};
        bodyPitch = 0;
    }

    world = body;
    Vec3 base = hand - controller.poseOffset;
    world.m[3][0] = base.x;
    world.m[3][1] = base.y;
    world.m[3][2] = base.z;

    float yaw = controller.poseYaw + heading;
    float pitch = controller.poseElevation - 90.0f;
    float length = controller.action == ActionController::kFinisher ? kFinisherLength : kBladeLength;
    for (int k = 0; k < kSampleCount; ++k) {
        previousPoints[k] = samplePoints[k];
        float d = length * static_cast<float>(kSampleCount - k) / kSampleCount;
        samplePoints[k] = Vec3{base.x + sinDeg(yaw) * cosDeg(pitch) * d, base.y - sinDeg(pitch) * d,
                               base.z + cosDeg(yaw) * cosDeg(pitch) * d};
    }

    lights.update(gauge, samplePoints);

    if (controller.phase == 2 || controller.phase == 3)
        trail.push(samplePoints[0], samplePoints[kSampleCount - 1]);
    else
        trail.clear();
}

// P counts as inside when the lines along the three axes through it all meet the mesh.
bool Blade::inside(Vec3 p, MeshEntry* mesh, const Matrix& enemyWorld) const {
    for (const Vec3& axis : probeAxes) {
        Vec3 hit;
        if (!MeshCache::rayHit(mesh, p - axis, axis, enemyWorld, hit)) return false;
    }
    return true;
}

bool Blade::pointHits(Vec3 p, Vec3 centre, Vec3 scale, MeshEntry* mesh, const Matrix& enemyWorld,
                      bool centreTest) const {
    float reachSq = lengthSq(scale);
    float centreSq = lengthSq(p - centre);
    if (centreSq > reachSq) return false;
    float surfaceSq = lengthSq(scale * 0.06f);
    float nearCentreSq = lengthSq(scale * 0.06f + Vec3{0.5f, 0.5f, 0.5f});
    // Outward from the enemy's centre first, then inward.
    const Vec3 directions[2] = {p - centre, centre - p};
    for (const Vec3& direction : directions) {
        Vec3 hit;
        if (MeshCache::rayHit(mesh, p, direction, enemyWorld, hit)) {
            if (lengthSq(p - hit) <= surfaceSq) return true;
            if (inside(p, mesh, enemyWorld)) return true;
        } else if (centreTest && centreSq <= nearCentreSq) {
            return true;
        }
    }
    return false;
}

std::int32_t Blade::hitTest(const EnemyBase& enemy, MeshEntry* enemyMesh, std::int32_t kind) const {
    if (controller.phase != 2) return 0;
    const Vec3 centre = enemy.transform.position;
    const Vec3 scale = controller.hitScale;

    if (kind == kLargeEnemyKind) {
        // The large enemy is too big for the mesh test: the ground distance alone decides.
        for (const Vec3& p : samplePoints) {
            if (std::fabs(p.x - centre.x) <= 0.06f * scale.x + 2.4f &&
                std::fabs(p.z - centre.z) <= 0.06f * scale.z + 2.4f)
                return kLargeEnemyHit;
        }
        return 0;
    }

    for (const Vec3& p : samplePoints) {
        if (pointHits(p, centre, scale, enemyMesh, enemy.world, true)) return kMeshHit;
    }

    if (controller.action != ActionController::kFinisher) return 0;
    // The finisher's long blade moves far in one frame: test points along the swing as well.
    float moved = std::sqrt(lengthSq(samplePoints[0] - previousPoints[0]));
    float steps = std::ceil(moved / 0.4f);
    int n = 1;
    if (std::isfinite(steps) && steps > 1.0f) n = static_cast<int>(std::min<float>(steps, kMaxSweepSteps));
    for (int j = 0; j < n; ++j) {
        float t = static_cast<float>(j + 1) * 0.75f / static_cast<float>(n + 1);
        for (int k = 0; k < kSampleCount; ++k) {
            Vec3 q = previousPoints[k] + (samplePoints[k] - previousPoints[k]) * t;
            if (pointHits(q, centre, scale, enemyMesh, enemy.world, false)) return kMeshHit;
        }
    }
    return 0;
}

std::uint32_t Blade::glowAlpha(float gauge) {
    float share = gauge / 300.0f * 128.0f;
    if (!std::isfinite(share)) return 0;
    // Wraps like the byte it is stored in: a gauge below 0 gives a bright shell.
    long whole = static_cast<long>(std::clamp(share, -1.0e9f, 1.0e9f));
    return static_cast<std::uint32_t>(whole) & 0xFFu;
}

Matrix Blade::poseRotation(float bodyHeading, float pitchDegrees) const {
    float roll = kHalfPi;
    if (controller.poseYaw != 0.0f)
        roll = std::atan2(1.0f - controller.poseElevation / 90.0f, controller.poseYaw / 90.0f);
    return matrixRotationYawPitchRoll((controller.poseYaw + bodyHeading) * kDegreesToRadians,
                                      pitchDegrees * kDegreesToRadians, roll);
}

void Blade::draw(float bodyHeading, float gauge) {
    if (!gDevice) return;
    trail.draw();

    if (handOnly) {
        Matrix hand = matrixMultiply(poseRotation(bodyHeading, controller.poseElevation), world);
        gDevice->setTransform(TransformType::World, hand);
        if (emptyHandMesh) MeshCache::draw(emptyHandMesh);
        return;
    }

    Matrix held = matrixMultiply(poseRotation(bodyHeading, controller.poseElevation - 90.0f), world);
    gDevice->setTransform(TransformType::World, held);
    if (handMesh) MeshCache::draw(handMesh);

    Matrix inner = matrixScaling(1.25f, 1.25f, 1.25f);
    std::uint32_t alpha = glowAlpha(gauge);
    if (controller.action == ActionController::kFinisher && (controller.phase == 1 || controller.phase == 2)) {
        inner = matrixScaling(2.0f, 1.25f, 2.0f);
        alpha = 128;
    }
    Colour glow = (alpha << 24) | 0x00FFFFFFu;
    if (!bladeMesh) return;
    gDevice->setTransform(TransformType::World, matrixMultiply(inner, held));
    MeshCache::drawFlat(bladeMesh, glow);
    gDevice->setTransform(TransformType::World, matrixMultiply(matrixScaling(1.1f, 1.1f, 1.1f), held));
    MeshCache::drawFlat(bladeMesh, glow);
}

void Blade::drawFading(float bodyHeading, float pitch, float alpha) {
    if (!gDevice || !handMesh) return;
    Matrix base = world;
    base.m[3][0] += 1.2f * sinDeg(bodyHeading) * pitch / 90.0f;
    base.m[3][1] += 0.7f * pitch / 90.0f;
    base.m[3][2] += 1.2f * cosDeg(bodyHeading) * pitch / 90.0f;
    Matrix held = matrixMultiply(poseRotation(bodyHeading, controller.poseElevation - 90.0f + pitch), base);
    gDevice->setTransform(TransformType::World, held);
    MeshCache::drawAlpha(handMesh, static_cast<std::uint32_t>(std::max(0.0f, alpha)));
}

}  // namespace hc
