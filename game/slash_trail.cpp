#include "game/slash_trail.h"

#include <algorithm>
#include <cstring>

#include "engine/services.h"

namespace hc {

bool SlashTrail::init() {
    if (!gDevice) return false;
    indices = gDevice->createIndexBuffer(kPointCount);
    if (!indices || indices->data.size() < kPointCount) return false;
    std::uint16_t* index = indices->lock();
    for (std::uint16_t i = 0; i < kPointCount; ++i) index[i] = i;
    indices->unlock();
    vertices = gDevice->createVertexBuffer(kPointCount * sizeof(VertexPositionColour));
    if (!vertices || vertices->data.size() < kPointCount * sizeof(VertexPositionColour)) return false;
    clear();
    return true;
}

void SlashTrail::release() {
    indices.reset();
    vertices.reset();
    count = 0;
}

void SlashTrail::push(Vec3 a, Vec3 b) {
    // The first edge of a strike has no edge behind it: it trails itself, a quad without area, instead
    // of the cleared points, which would stretch a wedge back to the world origin.
    if (count == 0) {
        points[0] = a;
        points[1] = b;
    }
    points[2] = points[0];
    points[3] = points[1];
    points[0] = a;
    points[1] = b;
    count = std::min(count + 2, kPointCount);
}

void SlashTrail::clear() {
    for (auto& p : points) p = Vec3{0, 0, 0};
    count = 0;
}

void SlashTrail::draw() {
    if (count == 0 || !indices || !vertices || !gDevice) return;
    Device& device = *gDevice;
    device.setRenderState(RenderState::Lighting, 0);

    VertexPositionColour quad[kPointCount];
    for (int i = 0; i < kPointCount; ++i) {
        std::uint32_t alpha = 0;
        // The leading corner of each edge is brightest, fading toward the old edge.
        if (i % 2 == 0 && i < count) alpha = static_cast<std::uint32_t>(static_cast<float>(count - i) / count * 32.0f);
        quad[i] = VertexPositionColour{points[i].x, points[i].y, points[i].z, (alpha << 24) | 0x00FFFFFFu};
    }
    std::memcpy(vertices->lock(), quad, sizeof(quad));
    vertices->unlock();

    // No texture is bound, and an empty stage reads as opaque white: take colour and alpha from the
    // vertices instead, so the trail stays as faint as its alpha says.
    const std::uint32_t colourOp = device.textureStageState(0, TextureStageState::ColorOp);
    const std::uint32_t colourArg = device.textureStageState(0, TextureStageState::ColorArg1);
    const std::uint32_t alphaOp = device.textureStageState(0, TextureStageState::AlphaOp);
    const std::uint32_t alphaArg = device.textureStageState(0, TextureStageState::AlphaArg1);
    device.setTextureStageState(0, TextureStageState::ColorOp, TOP_SELECTARG1);
    device.setTextureStageState(0, TextureStageState::ColorArg1, TA_DIFFUSE);
    device.setTextureStageState(0, TextureStageState::AlphaOp, TOP_SELECTARG1);
    device.setTextureStageState(0, TextureStageState::AlphaArg1, TA_DIFFUSE);

    device.setRenderState(RenderState::CullMode, CULL_NONE);
    device.setTexture(0, nullptr);
    device.setTransform(TransformType::World, Matrix::identity());
    device.setVertexFormat(VertexFormat::PositionColour);
    device.setStreamSource(vertices.get(), sizeof(VertexPositionColour));
    device.setIndices(indices.get());
    for (int i = 0; i < count; ++i) device.drawIndexedPrimitive(PrimitiveType::TriangleStrip, 0, 0, 2);
    device.setRenderState(RenderState::CullMode, CULL_CCW);
    device.setRenderState(RenderState::Lighting, 1);
    device.setTextureStageState(0, TextureStageState::ColorOp, colourOp);
    device.setTextureStageState(0, TextureStageState::ColorArg1, colourArg);
    device.setTextureStageState(0, TextureStageState::AlphaOp, alphaOp);
    device.setTextureStageState(0, TextureStageState::AlphaArg1, alphaArg);
}

}  // namespace hc
