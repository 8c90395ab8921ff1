#include "platform/math3d.h"

namespace hc {

Matrix Matrix::identity() {
    Matrix r;
    r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
    return r;
}

}  // namespace hc
