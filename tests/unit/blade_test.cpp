#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "game/blade.h"
#include "game/enemy_base.h"
#include "platform/headless/headless_device.h"

namespace hc {
namespace {

std::unique_ptr<MeshEntry> sphereEntry(float radius) {
    auto entry = std::make_unique<MeshEntry>();
    entry->mesh = Mesh::createSphere(*gDevice, radius, 24, 24);
    entry->materials.resize(1);
    entry->materialCount = 1;
    entry->textures.resize(1, nullptr);
    entry->referenceCount = 1;
    return entry;
}

EnemyBase enemyAt(Vec3 position) {
    EnemyBase e;
    e.active = 1;
    e.hitPoints = 3;
    e.transform.position = position;
    e.world = matrixTranslation(position.x, position.y, position.z);
    return e;
}

float distance(Vec3 a, Vec3 b) { return vec3Length(a - b); }

class BladeTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> device;
    Blade blade;

    void SetUp() override {
        device = createHeadlessDevice();
        device->recording = false;
        gDevice = device.get();
        strike(1);
    }
    void TearDown() override {
        blade.handMesh = blade.bladeMesh = blade.emptyHandMesh = nullptr;
        gDevice = nullptr;
    }
    void strike(std::int32_t action, std::int32_t phase = 2) {
        blade.controller.action = action;
        blade.controller.phase = phase;
    }
    // All six sample points in a row along +x, the nearest at `near` from `centre`.
    void pointsAlongX(Vec3 centre, float near, float y = 0) {
        for (int k = 0; k < Blade::kSampleCount; ++k)
            blade.samplePoints[k] = Vec3{centre.x + near + 0.1f * static_cast<float>(k), centre.y + y, centre.z};
    }
};

TEST_F(BladeTest, PointsBeyondTheHitScaleNeverHitWhateverTheMesh) {
    auto huge = sphereEntry(10.0f);  // every point lies inside it
    struct Case {
        float near;
        float scale;
        std::int32_t value;
    };
    const Case cases[] = {
        {1.75f, 1.0f, 0},  // |(1, 1, 1)| is about 1.732
        {1.70f, 1.0f, Blade::kMeshHit},
        {1.75f, 2.4f, Blade::kMeshHit},
        {4.20f, 2.4f, 0},  // |(2.4, 2.4, 2.4)| is about 4.157
    };
    Vec3 centre{3, 0, -2};
    EnemyBase enemy = enemyAt(centre);
    for (const Case& c : cases) {
        blade.controller.hitScale = Vec3{c.scale, c.scale, c.scale};
        pointsAlongX(centre, c.near);
        EXPECT_EQ(blade.hitTest(enemy, huge.get(), 0), c.value) << c.near << " at scale " << c.scale;
    }
}

TEST_F(BladeTest, MeshTestNearTheSurfaceAndInside) {
    auto ball = sphereEntry(0.5f);
    struct Case {
        float near;
        std::int32_t value;
    };
    const Case cases[] = {
        {0.3f, Blade::kMeshHit},   // inside the mesh
        {0.55f, Blade::kMeshHit},  // just outside, close to the centre
        {1.2f, 0},                 // outside, away from the surface
    };
    Vec3 centre{0, 1, 0};
    EnemyBase enemy = enemyAt(centre);
    for (const Case& c : cases) {
        for (int k = 0; k < Blade::kSampleCount; ++k) blade.samplePoints[k] = centre + Vec3{c.near, 0, 0};
        EXPECT_EQ(blade.hitTest(enemy, ball.get(), 0), c.value) << c.near;
    }
}

TEST_F(BladeTest, OnlyTheStrikeHits) {
    auto ball = sphereEntry(0.5f);
    EnemyBase enemy = enemyAt(Vec3{0, 0, 0});
    pointsAlongX(Vec3{0, 0, 0}, 0.2f);
    for (std::int32_t phase : {0, 1, 3}) {
        strike(1, phase);
        EXPECT_EQ(blade.hitTest(enemy, ball.get(), 0), 0) << "phase " << phase;
        EXPECT_EQ(blade.hitTest(enemy, ball.get(), Blade::kLargeEnemyKind), 0) << "phase " << phase;
    }
    strike(1, 2);
    EXPECT_EQ(blade.hitTest(enemy, ball.get(), 0), Blade::kMeshHit);
}

TEST_F(BladeTest, LargeEnemyIsHitByGroundDistanceAlone) {
    struct Case {
        float dx, dz;
        float scale;
        std::int32_t value;
    };
    const Case cases[] = {
        {2.45f, 0, 1.0f, Blade::kLargeEnemyHit},
        {2.47f, 0, 1.0f, 0},  // 0.06 + 2.4 is the reach
        {2.45f, -2.45f, 1.0f, Blade::kLargeEnemyHit},
        {0, 2.47f, 1.0f, 0},
        {2.5f, 0, 2.4f, Blade::kLargeEnemyHit},  // 0.144 + 2.4 during the finisher
    };
    EnemyBase enemy = enemyAt(Vec3{21, -2, 69});
    for (const Case& c : cases) {
        blade.controller.hitScale = Vec3{c.scale, c.scale, c.scale};
        // Far above the enemy: the height is never looked at, and no mesh is needed.
        for (auto& p : blade.samplePoints) p = Vec3{21 + c.dx, 50, 69 + c.dz};
        EXPECT_EQ(blade.hitTest(enemy, nullptr, Blade::kLargeEnemyKind), c.value) << c.dx << "," << c.dz;
    }
}

TEST_F(BladeTest, FinisherSweepsTheWholeSwing) {
    auto ball = sphereEntry(0.5f);
    EnemyBase enemy = enemyAt(Vec3{0, 0, 0});
    // The long blade passed right through the enemy between two frames.
    for (int k = 0; k < Blade::kSampleCount; ++k) {
        blade.previousPoints[k] = Vec3{-3, 0.05f * static_cast<float>(k), 0};
        blade.samplePoints[k] = Vec3{3, 0.05f * static_cast<float>(k), 0};
    }
    blade.controller.hitScale = Vec3{2.4f, 2.4f, 2.4f};
    strike(ActionController::kFinisher);
    EXPECT_EQ(blade.hitTest(enemy, ball.get(), 0), Blade::kMeshHit);
    strike(ActionController::kForwardCut);
    EXPECT_EQ(blade.hitTest(enemy, ball.get(), 0), 0) << "other actions test only where the blade is";
}

TEST_F(BladeTest, SamplePointsRunFromTheTipToTheHand) {
    blade.controller = ActionController{};
    Matrix body = matrixTranslation(2, 0, 5);
    blade.update(90.0f, 0.0f, body);
    Vec3 base{blade.world.m[3][0], blade.world.m[3][1], blade.world.m[3][2]};
    Vec3 hand{2 + 0.42f * std::sin(100.0f * 0.017453292f), 1.0f, 5 + 0.42f * std::cos(100.0f * 0.017453292f)};
    EXPECT_NEAR(distance(base, hand), 0.0f, 1e-5f);
    EXPECT_NEAR(distance(blade.samplePoints[0], base), 0.78f, 1e-4f);
    EXPECT_NEAR(blade.samplePoints[0].y - base.y, 0.78f, 1e-4f) << "the idle blade points up";
    EXPECT_NEAR(distance(blade.samplePoints[5], base), 0.13f, 1e-4f);

    blade.controller.action = ActionController::kFinisher;
    blade.controller.phase = 3;
    blade.update(90.0f, 0.0f, body);
    Vec3 finisherBase{blade.world.m[3][0], blade.world.m[3][1], blade.world.m[3][2]};
    EXPECT_NEAR(distance(blade.samplePoints[0], finisherBase), 3.12f, 1e-3f);
}

std::vector<std::uint32_t> textureFactors(const Device& device) {
    std::vector<std::uint32_t> values;
    for (const DeviceCall& call : device.calls)
        if (call.kind == CallKind::SetRenderState && call.a == static_cast<std::uint32_t>(RenderState::TextureFactor))
            values.push_back(call.value);
    return values;
}

TEST_F(BladeTest, GlowShellAlphaFollowsTheGaugeAndWraps) {
    auto hand = sphereEntry(0.1f);
    auto shell = sphereEntry(0.05f);
    blade.handMesh = hand.get();
    blade.bladeMesh = shell.get();
    struct Case {
        float gauge;
        std::int32_t action, phase;
        std::uint32_t alpha;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {300, 0, 0, 128},
        {150, 0, 0, 64},
        {-40, 0, 0, 239},
        {600, 0, 0, 0},
        {0, ActionController::kFinisher, 1, 128},
        {0, ActionController::kFinisher, 2, 128},
        {0, ActionController::kFinisher, 3, 0},
    };
    for (const Case& c : cases) {
        strike(c.action, c.phase);
        device->recording = true;
        device->calls.clear();
        blade.draw(0.0f, c.gauge);
        auto factors = textureFactors(*device);
        ASSERT_EQ(factors.size(), 4u) << "two shells, each followed by the reset";
        EXPECT_EQ(factors[0], (c.alpha << 24) | 0x00FFFFFFu) << c.gauge;
        EXPECT_EQ(factors[2], factors[0]);
    }
}

TEST_F(BladeTest, HandOnlyDrawsTheEmptyHand) {
    auto hand = sphereEntry(0.1f);
    auto shell = sphereEntry(0.05f);
    auto empty = sphereEntry(0.08f);
    blade.handMesh = hand.get();
    blade.bladeMesh = shell.get();
    blade.emptyHandMesh = empty.get();
    blade.handOnly = 1;
    device->recording = true;
    blade.draw(0.0f, 300.0f);
    EXPECT_TRUE(textureFactors(*device).empty()) << "no glow shell";
    int draws = 0;
    for (const DeviceCall& call : device->calls) draws += call.kind == CallKind::DrawIndexedPrimitive;
    EXPECT_EQ(draws, 1);
}

TEST_F(BladeTest, TrailFollowsTheStrikeAndFades) {
    ASSERT_TRUE(blade.trail.init());
    blade.controller = ActionController{};
    float gauge = 0;
    blade.controller.request(ActionController::kForwardCut, gauge);
    Matrix body = Matrix::identity();
    std::vector<std::int32_t> counts;
    for (int i = 0; i < 4; ++i) {
        blade.update(0.0f, 0.0f, body);
        counts.push_back(blade.trail.count);
    }
    EXPECT_EQ(counts, (std::vector<std::int32_t>{0, 2, 4, 4})) << "from the first strike frame on";
    EXPECT_EQ(distance(blade.trail.points[0], blade.samplePoints[0]), 0.0f);
    EXPECT_EQ(distance(blade.trail.points[1], blade.samplePoints[5]), 0.0f);

    device->recording = true;
    blade.trail.draw();
    int strips = 0;
    for (const DeviceCall& call : device->calls)
        strips += call.kind == CallKind::DrawIndexedPrimitive &&
                  call.a == static_cast<std::uint32_t>(PrimitiveType::TriangleStrip) && call.value == 2;
    EXPECT_EQ(strips, 4) << "drawn once per trail point";
    VertexPositionColour quad[4];
    std::memcpy(quad, blade.trail.vertices->data.data(), sizeof(quad));
    EXPECT_EQ(quad[0].colour >> 24, 32u);
    EXPECT_EQ(quad[1].colour >> 24, 0u);
    EXPECT_EQ(quad[2].colour >> 24, 16u);
    EXPECT_EQ(quad[3].colour >> 24, 0u);
    EXPECT_EQ(device->renderState(RenderState::Lighting), 1u);
    EXPECT_EQ(device->renderState(RenderState::CullMode), CULL_CCW);

    for (int i = 0; i < 40 && blade.controller.running(); ++i) blade.update(0.0f, 0.0f, body);
    blade.update(0.0f, 0.0f, body);
    EXPECT_EQ(blade.trail.count, 0);
}

TEST(SlashTrailTest, TheFirstEdgeOfAStrikeTrailsItselfNotTheOrigin) {
    SlashTrail trail;
    trail.clear();
    const Vec3 tip{16, 1.5f, 7}, inner{15.5f, 1.2f, 6.6f};
    trail.push(tip, inner);
    EXPECT_EQ(trail.count, 2);
    EXPECT_EQ(distance(trail.points[2], tip), 0.0f) << "no corner left at the world origin";
    EXPECT_EQ(distance(trail.points[3], inner), 0.0f);

    const Vec3 tip2{17, 1.5f, 7}, inner2{16.4f, 1.2f, 6.7f};
    trail.push(tip2, inner2);
    EXPECT_EQ(distance(trail.points[0], tip2), 0.0f);
    EXPECT_EQ(distance(trail.points[2], tip), 0.0f) << "from the second edge on, last frame's edge trails";
    EXPECT_EQ(distance(trail.points[3], inner), 0.0f);
}

}  // namespace
}  // namespace hc
