#include "engine/camera.h"

#include <cmath>

#include "engine/services.h"

namespace hc {

Camera gCamera;

namespace {
constexpr float kQuarterPi = 0.7853982f;
constexpr float kAspect = 1.7777778f;  // 16:9
constexpr float kDegreesToRadians = 0.017453292f;
}  // namespace

bool Camera::init() {
    eye = {0, 1, -1};
    lookAt = {0, 0, 0};
    up = {0, 0.1f, 0};
    orbitTarget = {0, 0, 0};
    nearPlane = 1.0f;
    farPlane = 100.0f;
    view = matrixLookAtLH(eye, lookAt, up);
    // The projection is set once here and never changes.
    Matrix projection = matrixPerspectiveFovLH(kQuarterPi, kAspect, nearPlane, farPlane);
    gDevice->setTransform(TransformType::View, view);
    gDevice->setTransform(TransformType::Projection, projection);
    setUpFrustum(kQuarterPi);
    return true;
}

void Camera::setOrbit(float targetX, float targetY, float targetZ, float pitchDegrees, float yawDegrees,
                      float distance) {
    orbitTarget = {targetX, targetY, targetZ};
    orbitPitch = pitchDegrees;
    orbitYaw = yawDegrees;
    orbitDistance = distance;
    float p = pitchDegrees * kDegreesToRadians;
    float y = yawDegrees * kDegreesToRadians;
    eye.x = targetX - std::cos(p) * distance * std::sin(y);
    eye.y = targetY + std::sin(p) * distance;
    eye.z = targetZ - std::cos(p) * distance * std::cos(y);
}

void Camera::translate(float dx, float dy, float dz) {
    eye = eye + Vec3{dx, dy, dz};
    orbitTarget = orbitTarget + Vec3{dx, dy, dz};
}

void Camera::apply() {
    view = matrixLookAtLH(eye, lookAt, up);
    gDevice->setTransform(TransformType::View, view);
}

void Camera::setUpFrustum(float halfAngle) {
    // View-space planes with normals pointing into the volume. The sides stand at the given angle to
    // the view axis, wider than the picture, so culling keeps all that can be seen.
    float c = std::cos(halfAngle), s = std::sin(halfAngle);
    viewPlanes[0] = {0, 0, 1, 0};                 // near, through the eye
    viewPlanes[1] = {0, 0, -1, farPlane + 1.0f};  // far, one unit beyond the far clip
    viewPlanes[2] = {c, 0, s, 0};                 // left
    viewPlanes[3] = {-c, 0, s, 0};                // right
    viewPlanes[4] = {0, -c, s, 0};                // top
    viewPlanes[5] = {0, c, s, 0};                 // bottom
}

void Camera::updateFrustum() {
    Matrix m = matrixTranspose(view);
    for (int i = 0; i < 6; ++i) worldPlanes[i] = planeTransform(viewPlanes[i], m);
}

}  // namespace hc
