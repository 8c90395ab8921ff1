#include "game/transform.h"

#include <cmath>

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

// An angle of exactly 0 gives exact 1 and 0 instead of going through the functions.
void cosSin(float degrees, float& c, float& s) {
    if (degrees == 0.0f) {
        c = 1.0f;
        s = 0.0f;
        return;
    }
    float radians = degrees * kDegreesToRadians;
    c = std::cos(radians);
    s = std::sin(radians);
}

}  // namespace

void Transform::toMatrix(Matrix& out) const {
    float cx, sx, cy, sy, cz, sz;
    cosSin(rotation.x, cx, sx);
    cosSin(rotation.y, cy, sy);
    cosSin(rotation.z, cz, sz);

    out.m[0][0] = (cz * cy - sz * sx * sy) * scale.x;
    out.m[0][1] = -sz * cx;
    out.m[0][2] = cz * sy + sz * sx * cy;
    out.m[0][3] = 0.0f;

    out.m[1][0] = sz * cy + cz * sx * sy;
    out.m[1][1] = cz * cx * scale.y;
    out.m[1][2] = sz * sy - cz * sx * cy;
    out.m[1][3] = 0.0f;

    out.m[2][0] = -cx * sy;
    out.m[2][1] = sx;
    out.m[2][2] = cx * cy * scale.z;
    out.m[2][3] = 0.0f;

    out.m[3][0] = position.x;
    out.m[3][1] = position.y;
    out.m[3][2] = position.z;
    out.m[3][3] = 1.0f;
}

}  // namespace hc
