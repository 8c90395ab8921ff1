#include "engine/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/services.h"
#include "platform/headless/headless_device.h"

namespace hc {
namespace {

float planeValue(const Plane& p, Vec3 point) { return p.a * point.x + p.b * point.y + p.c * point.z + p.d; }

class CameraTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> device = createHeadlessDevice();
    Camera camera;

    void SetUp() override {
        gDevice = device.get();
        camera.init();
        camera.updateFrustum();
    }
    void TearDown() override { gDevice = nullptr; }

    Vec3 ahead(float distance) const {
        return camera.eye + vec3Normalize(camera.lookAt - camera.eye) * distance;
    }
};

TEST_F(CameraTest, InitLooksFromAboveBehindAtTheOriginWithTheFixedProjection) {
    EXPECT_EQ(camera.eye.y, 1.0f);
    EXPECT_EQ(camera.eye.z, -1.0f);
    const Matrix& view = device->transform(TransformType::View);
    Vec3 origin = vec3TransformCoord({0, 0, 0}, view);
    EXPECT_NEAR(origin.x, 0.0f, 1e-6f);
    EXPECT_NEAR(origin.y, 0.0f, 1e-6f);
    EXPECT_NEAR(origin.z, std::sqrt(2.0f), 1e-6f);

    const Matrix& projection = device->transform(TransformType::Projection);
    EXPECT_NEAR(projection.m[1][1], 2.4142135f, 1e-5f);
    EXPECT_NEAR(projection.m[0][0], 2.4142135f / 1.7777778f, 1e-5f);
    EXPECT_NEAR(projection.m[2][2], 100.0f / 99.0f, 1e-5f);
    EXPECT_NEAR(projection.m[3][2], -100.0f / 99.0f, 1e-5f);

    // Moving the camera later never touches the projection.
    device->calls.clear();
    camera.eye = {3, 4, 5};
    camera.apply();
    for (const DeviceCall& call : device->calls)
        EXPECT_NE(call.a, static_cast<std::uint32_t>(TransformType::Projection));
}

TEST_F(CameraTest, ViewSpacePlanesAreTheWideQuarterPiFrustum) {
    const float c = std::cos(0.7853982f), s = std::sin(0.7853982f);
    const Plane expected[6] = {{0, 0, 1, 0}, {0, 0, -1, 101}, {c, 0, s, 0}, {-c, 0, s, 0}, {0, -c, s, 0}, {0, c, s, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(camera.viewPlanes[i].a, expected[i].a, 1e-6f) << i;
        EXPECT_NEAR(camera.viewPlanes[i].b, expected[i].b, 1e-6f) << i;
        EXPECT_NEAR(camera.viewPlanes[i].c, expected[i].c, 1e-6f) << i;
        EXPECT_NEAR(camera.viewPlanes[i].d, expected[i].d, 1e-6f) << i;
    }
}

TEST_F(CameraTest, WorldPlanesKeepWhatLiesInsideTheFrustum) {
    const Plane& nearPlane = camera.worldPlanes[0];
    const Plane& farPlane = camera.worldPlanes[1];
    EXPECT_GT(planeValue(farPlane, ahead(100.5f)), 0.0f);
    EXPECT_LT(planeValue(farPlane, ahead(101.5f)), 0.0f);
    EXPECT_GT(planeValue(nearPlane, ahead(0.5f)), 0.0f);
    EXPECT_LT(planeValue(nearPlane, ahead(-0.5f)), 0.0f);

    // The view's right is world +x here; the side planes stand at 45 degrees.
    Vec3 forward = vec3Normalize(camera.lookAt - camera.eye);
    auto sideways = [&](float degrees) {
        float r = degrees * 0.017453292f;
        return camera.eye + forward * (10 * std::cos(r)) + Vec3{10 * std::sin(r), 0, 0};
    };
    for (int plane = 2; plane < 6; ++plane) EXPECT_GT(planeValue(camera.worldPlanes[plane], ahead(10)), 0.0f);
    EXPECT_GT(planeValue(camera.worldPlanes[3], sideways(44)), 0.0f);
    EXPECT_LT(planeValue(camera.worldPlanes[3], sideways(46)), 0.0f);
    EXPECT_GT(planeValue(camera.worldPlanes[2], sideways(-44)), 0.0f);
    EXPECT_LT(planeValue(camera.worldPlanes[2], sideways(-46)), 0.0f);

    // After the camera moves, the planes follow once updated.
    camera.eye = {50, 1, 50};
    camera.lookAt = {50, 1, 60};
    camera.apply();
    camera.updateFrustum();
    EXPECT_GT(planeValue(camera.worldPlanes[1], {50, 1, 150.5f}), 0.0f);
    EXPECT_LT(planeValue(camera.worldPlanes[1], {50, 1, 151.5f}), 0.0f);
}

TEST_F(CameraTest, OrbitPlacesTheEyeAroundTheTarget) {
    struct Case {
        float pitch, yaw, distance;
        Vec3 eye;
    } cases[] = {
        {90, 0, 5, {1, 7, 3}},   // straight above
        {0, 0, 5, {1, 2, -2}},   // yaw 0: on the -z side
        {0, 90, 5, {-4, 2, 3}},  // yaw 90: on the -x side
    };
    for (const Case& c : cases) {
        camera.lookAt = {9, 9, 9};
        camera.setOrbit(1, 2, 3, c.pitch, c.yaw, c.distance);
        EXPECT_NEAR(camera.eye.x, c.eye.x, 1e-5f);
        EXPECT_NEAR(camera.eye.y, c.eye.y, 1e-5f);
        EXPECT_NEAR(camera.eye.z, c.eye.z, 1e-5f);
        EXPECT_EQ(camera.lookAt.x, 9.0f);  // the look-at point is the caller's
        EXPECT_EQ(camera.orbitDistance, c.distance);
    }
}

TEST_F(CameraTest, TranslateMovesEyeAndOrbitTargetButKeepsTheLookAtPoint) {
    camera.setOrbit(0, 0, 0, 45, 0, 10);
    Vec3 eyeBefore = camera.eye;
    camera.translate(2, 0, -3);
    camera.apply();
    EXPECT_FLOAT_EQ(camera.eye.x, eyeBefore.x + 2);
    EXPECT_FLOAT_EQ(camera.eye.z, eyeBefore.z - 3);
    EXPECT_FLOAT_EQ(camera.orbitTarget.x, 2);
    EXPECT_FLOAT_EQ(camera.orbitTarget.z, -3);
    // Still looking at the old point: it stays on the view axis.
    Vec3 seen = vec3TransformCoord(camera.lookAt, device->transform(TransformType::View));
    EXPECT_NEAR(seen.x, 0.0f, 1e-5f);
    EXPECT_NEAR(seen.y, 0.0f, 1e-5f);
    EXPECT_GT(seen.z, 0.0f);
}

}  // namespace
}  // namespace hc
