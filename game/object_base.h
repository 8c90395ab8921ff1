#pragma once
#include "platform/math3d.h"

namespace hc {

// Root of every placed thing: field chips, characters and the blade. Holds the world matrix.
class ObjectBase {
public:
    Matrix world = Matrix::identity();

    virtual ~ObjectBase() = default;
    virtual bool init() { return true; }
    virtual bool reserved1() { return true; }
    virtual void reserved2() {}
    virtual void release() {}
};

}  // namespace hc
