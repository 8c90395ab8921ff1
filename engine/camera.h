#pragma once
#include "platform/math3d.h"

namespace hc {

// The one camera every scene steers.
class Camera {
public:
    Vec3 eye, lookAt, up;
    Vec3 orbitTarget;
    float orbitPitch = 0, orbitYaw = 0, orbitDistance = 0;
    float nearPlane = 1.0f, farPlane = 100.0f;
    Matrix view = Matrix::identity();
    Plane viewPlanes[6];  // near, far, left, right, top, bottom
    Plane worldPlanes[6];

    bool init();
    void setOrbit(float targetX, float targetY, float targetZ, float pitchDegrees, float yawDegrees, float distance);
    void translate(float dx, float dy, float dz);
    void apply();
    void setUpFrustum(float halfAngle);
    void updateFrustum();
};

extern Camera gCamera;

}  // namespace hc
