#pragma once
#include "platform/math3d.h"

namespace hc {

// Position, per-axis scale and rotation in degrees of a character, or of a chip built by the backdrop.
class Transform {
public:
    Vec3 position{0, 0, 0};
    Vec3 scale{1, 1, 1};
    Vec3 rotation{0, 0, 0};

    // Rotation Z(-z) * X(-x) * Y(-y) in row-vector order, translated to position. The scale factors
    // multiply the diagonal only, so the scaling is exact only for a zero rotation.
    void toMatrix(Matrix& out) const;
};

}  // namespace hc
