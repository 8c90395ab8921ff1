#include "platform/device.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace hc {

void Device::resetDefaults() {
    renderStates_.fill(0);
    renderStates_[static_cast<int>(RenderState::ZEnable)] = ZB_TRUE;
    renderStates_[static_cast<int>(RenderState::FillMode)] = FILL_SOLID;
    renderStates_[static_cast<int>(RenderState::ShadeMode)] = SHADE_GOURAUD;
    renderStates_[static_cast<int>(RenderState::ZWriteEnable)] = 1;
    renderStates_[static_cast<int>(RenderState::SrcBlend)] = BLEND_ONE;
    renderStates_[static_cast<int>(RenderState::DestBlend)] = BLEND_ZERO;
    renderStates_[static_cast<int>(RenderState::CullMode)] = CULL_CCW;
    renderStates_[static_cast<int>(RenderState::ZFunc)] = CMP_LESSEQUAL;
    renderStates_[static_cast<int>(RenderState::AlphaFunc)] = CMP_ALWAYS;
    renderStates_[static_cast<int>(RenderState::FogStart)] = floatBits(0.0f);
    renderStates_[static_cast<int>(RenderState::FogEnd)] = floatBits(1.0f);
    renderStates_[static_cast<int>(RenderState::FogDensity)] = floatBits(1.0f);
    renderStates_[static_cast<int>(RenderState::TextureFactor)] = 0xFFFFFFFFu;
    renderStates_[static_cast<int>(RenderState::Lighting)] = 1;
    for (auto& stage : stageStates_) {
        stage.fill(0);
        stage[static_cast<int>(TextureStageState::ColorOp)] = TOP_DISABLE;
        stage[static_cast<int>(TextureStageState::ColorArg1)] = TA_TEXTURE;
        stage[static_cast<int>(TextureStageState::ColorArg2)] = TA_CURRENT;
        stage[static_cast<int>(TextureStageState::AlphaOp)] = TOP_DISABLE;
        stage[static_cast<int>(TextureStageState::AlphaArg1)] = TA_TEXTURE;
        stage[static_cast<int>(TextureStageState::AlphaArg2)] = TA_CURRENT;
    }
    stageStates_[0][static_cast<int>(TextureStageState::ColorOp)] = TOP_MODULATE;
    stageStates_[0][static_cast<int>(TextureStageState::AlphaOp)] = TOP_SELECTARG1;
    for (auto& sampler : samplerStates_) {
        sampler.fill(0);
        sampler[static_cast<int>(SamplerState::AddressU)] = TADDRESS_WRAP;
        sampler[static_cast<int>(SamplerState::AddressV)] = TADDRESS_WRAP;
        sampler[static_cast<int>(SamplerState::AddressW)] = TADDRESS_WRAP;
        sampler[static_cast<int>(SamplerState::MagFilter)] = TEXF_POINT;
        sampler[static_cast<int>(SamplerState::MinFilter)] = TEXF_POINT;
        sampler[static_cast<int>(SamplerState::MipFilter)] = TEXF_NONE;
    }
    world_ = view_ = projection_ = Matrix::identity();
    lights_ = {};
    lightEnabled_ = {};
    material_ = {};
    textures_ = {};
    vertexFormat_ = VertexFormat::None;
    stream_ = nullptr;
    streamStride_ = 0;
    indices_ = nullptr;
}

void Device::record(const DeviceCall& call) {
    if (recording) calls.push_back(call);
}

void Device::beginScene() {
    inScene_ = true;
    record({CallKind::BeginScene});
}

void Device::endScene() {
    inScene_ = false;
    record({CallKind::EndScene});
}

void Device::present() { record({CallKind::Present}); }

void Device::clear(std::uint32_t flags, Colour colour, float, std::uint32_t stencil) {
    DeviceCall c{CallKind::Clear, flags, stencil};
    c.colour = colour;
    record(c);
}

void Device::setRenderState(RenderState state, std::uint32_t value) {
    auto i = static_cast<std::uint32_t>(state);
    if (i < renderStates_.size()) renderStates_[i] = value;
    record({CallKind::SetRenderState, i, 0, value});
}

std::uint32_t Device::renderState(RenderState state) const {
    auto i = static_cast<std::uint32_t>(state);
    return i < renderStates_.size() ? renderStates_[i] : 0;
}

void Device::setTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t value) {
    auto i = static_cast<std::uint32_t>(state);
    if (stage < stageStates_.size() && i < stageStates_[stage].size()) stageStates_[stage][i] = value;
    record({CallKind::SetTextureStageState, stage, i, value});
}

std::uint32_t Device::textureStageState(std::uint32_t stage, TextureStageState state) const {
    auto i = static_cast<std::uint32_t>(state);
    if (stage < stageStates_.size() && i < stageStates_[stage].size()) return stageStates_[stage][i];
    return 0;
}

void Device::setSamplerState(std::uint32_t sampler, SamplerState state, std::uint32_t value) {
    auto i = static_cast<std::uint32_t>(state);
    if (sampler < samplerStates_.size() && i < samplerStates_[sampler].size()) samplerStates_[sampler][i] = value;
    record({CallKind::SetSamplerState, sampler, i, value});
}

std::uint32_t Device::samplerState(std::uint32_t sampler, SamplerState state) const {
    auto i = static_cast<std::uint32_t>(state);
    if (sampler < samplerStates_.size() && i < samplerStates_[sampler].size()) return samplerStates_[sampler][i];
    return 0;
}

void Device::setTransform(TransformType type, const Matrix& m) {
    switch (type) {
    case TransformType::World: world_ = m; break;
    case TransformType::View: view_ = m; break;
    case TransformType::Projection: projection_ = m; break;
    }
    DeviceCall c{CallKind::SetTransform, static_cast<std::uint32_t>(type)};
    c.world = m;
    record(c);
}

const Matrix& Device::transform(TransformType type) const {
    switch (type) {
    case TransformType::View: return view_;
    case TransformType::Projection: return projection_;
    default: return world_;
    }
}

void Device::setLight(std::uint32_t index, const Light& l) {
    if (index < lights_.size()) lights_[index] = l;
    record({CallKind::SetLight, index});
}

const Light& Device::light(std::uint32_t index) const { return lights_[std::min<std::uint32_t>(index, 15)]; }

void Device::lightEnable(std::uint32_t index, bool enable) {
    if (index < lightEnabled_.size()) lightEnabled_[index] = enable;
    record({CallKind::LightEnable, index, 0, enable ? 1u : 0u});
}

bool Device::lightEnabled(std::uint32_t index) const {
    return index < lightEnabled_.size() && lightEnabled_[index];
}

void Device::setMaterial(const Material& m) {
    material_ = m;
    record({CallKind::SetMaterial});
}

void Device::setTexture(std::uint32_t stage, Texture* t) {
    if (stage < textures_.size()) textures_[stage] = t;
    DeviceCall c{CallKind::SetTexture, stage};
    c.texture = t;
    record(c);
}

Texture* Device::texture(std::uint32_t stage) const { return stage < textures_.size() ? textures_[stage] : nullptr; }

void Device::setVertexFormat(VertexFormat format) {
    vertexFormat_ = format;
    record({CallKind::SetVertexFormat, static_cast<std::uint32_t>(format)});
}

void Device::setStreamSource(VertexBuffer* buffer, std::uint32_t stride) {
    stream_ = buffer;
    streamStride_ = stride;
    record({CallKind::SetStreamSource, 0, stride});
}

void Device::setIndices(IndexBuffer* buffer) {
    indices_ = buffer;
    record({CallKind::SetIndices});
}

void Device::drawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertex, std::uint32_t startIndex,
                                  std::uint32_t primitiveCount) {
    if (recording) {
        DeviceCall c{CallKind::DrawIndexedPrimitive, static_cast<std::uint32_t>(type), startIndex, primitiveCount};
        c.world = world_;
        c.texture = textures_[0];
        record(c);
    }
    doDrawIndexed(type, baseVertex, startIndex, primitiveCount);
}

static std::uint32_t vertexCount(PrimitiveType type, std::uint32_t primitives) {
    switch (type) {
    case PrimitiveType::PointList: return primitives;
    case PrimitiveType::LineList: return primitives * 2;
    case PrimitiveType::LineStrip: return primitives + 1;
    case PrimitiveType::TriangleList: return primitives * 3;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan: return primitives + 2;
    }
    return 0;
}

void Device::drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                             std::uint32_t stride) {
    if (recording) {
        DeviceCall c{CallKind::DrawPrimitiveUP, static_cast<std::uint32_t>(type),
                     static_cast<std::uint32_t>(vertexFormat_), primitiveCount};
        c.world = world_;
        c.texture = textures_[0];
        if (vertexFormat_ == VertexFormat::ScreenColourTex && stride >= sizeof(VertexScreenColourTex)) {
            float minX = FLT_MAX, minY = FLT_MAX, maxX = -FLT_MAX, maxY = -FLT_MAX;
            float minU = FLT_MAX, minV = FLT_MAX, maxU = -FLT_MAX, maxV = -FLT_MAX;
            const auto* bytes = static_cast<const std::uint8_t*>(vertices);
            std::uint32_t n = vertexCount(type, primitiveCount);
            for (std::uint32_t i = 0; i < n; ++i) {
                const auto* v = reinterpret_cast<const VertexScreenColourTex*>(bytes + i * stride);
                if (i == 0) c.colour = v->colour;
                minX = std::min(minX, v->x);
                minY = std::min(minY, v->y);
                maxX = std::max(maxX, v->x);
                maxY = std::max(maxY, v->y);
                minU = std::min(minU, v->u);
                minV = std::min(minV, v->v);
                maxU = std::max(maxU, v->u);
                maxV = std::max(maxV, v->v);
            }
            auto whole = [](float f) { return static_cast<std::int32_t>(std::lround(f)); };
            if (n > 0) {
                // Screen vertices sit on pixel edges shifted by half a pixel; report whole pixels.
                c.screenRect = {whole(minX + 0.5f), whole(minY + 0.5f), whole(maxX + 0.5f), whole(maxY + 0.5f)};
                if (const Texture* t = textures_[0]) {
                    float w = static_cast<float>(t->width), h = static_cast<float>(t->height);
                    c.sourceRect = {whole(minU * w), whole(minV * h), whole(maxU * w), whole(maxV * h)};
                }
            }
        }
        record(c);
    }
    doDrawUP(type, primitiveCount, vertices, stride);
}

}  // namespace hc
