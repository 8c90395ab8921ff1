#pragma once
#include <cstdint>
#include <memory>

#include "platform/device.h"

namespace hc {

// The faint quad joining the blade's edge of this frame to that of the last frame during a strike.
class SlashTrail {
public:
    static constexpr int kPointCount = 4;

    std::unique_ptr<IndexBuffer> indices;    // 0, 1, 2, 3
    std::unique_ptr<VertexBuffer> vertices;  // four position + colour vertices
    Vec3 points[kPointCount];                // this frame's edge (0, 1), last frame's (2, 3)
    std::int32_t count = 0;                  // 0, 2 or 4

    bool init();
    void release();
    // The old pair becomes the trailing edge; a and b the new leading edge.
    void push(Vec3 a, Vec3 b);
    void clear();
    void draw();
};

}  // namespace hc
