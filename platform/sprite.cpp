#include "platform/sprite.h"

#include <algorithm>
#include <array>

namespace hc {

// The device state Begin found, restored by End.
struct Sprite::Saved {
    std::array<std::uint32_t, kRenderStateCount> renderStates{};
    std::array<std::uint32_t, kTextureStageStateCount> stage{};
    std::array<std::uint32_t, kSamplerStateCount> sampler{};
    Texture* texture = nullptr;
};

Sprite::Sprite(Device& device) : device_(device), saved_(new Saved) {}

Sprite::~Sprite() { delete saved_; }

bool Sprite::begin(std::uint32_t flags) {
    if (inBracket_) return false;
    inBracket_ = true;
    Device& d = device_;
    for (int i = 0; i < kRenderStateCount; ++i) saved_->renderStates[i] = d.renderState(static_cast<RenderState>(i));
    for (int i = 0; i < kTextureStageStateCount; ++i)
        saved_->stage[i] = d.textureStageState(0, static_cast<TextureStageState>(i));
    for (int i = 0; i < kSamplerStateCount; ++i) saved_->sampler[i] = d.samplerState(0, static_cast<SamplerState>(i));
    saved_->texture = d.texture(0);

    const bool blend = (flags & SPRITE_ALPHABLEND) != 0;
    d.setRenderState(RenderState::AlphaBlendEnable, blend ? 1 : 0);
    if (blend) {
        d.setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
        d.setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
    }
    d.setRenderState(RenderState::AlphaTestEnable, blend ? 1 : 0);
    d.setRenderState(RenderState::AlphaFunc, CMP_GREATER);
    d.setRenderState(RenderState::AlphaRef, 0);
    d.setRenderState(RenderState::CullMode, CULL_NONE);
    d.setRenderState(RenderState::Lighting, 0);
    d.setRenderState(RenderState::FogEnable, 0);
    d.setRenderState(RenderState::ZEnable, ZB_FALSE);
    d.setRenderState(RenderState::SpecularEnable, 0);
    d.setRenderState(RenderState::FillMode, FILL_SOLID);
    d.setTextureStageState(0, TextureStageState::ColorOp, TOP_MODULATE);
    d.setTextureStageState(0, TextureStageState::ColorArg1, TA_TEXTURE);
    d.setTextureStageState(0, TextureStageState::ColorArg2, TA_DIFFUSE);
    d.setTextureStageState(0, TextureStageState::AlphaOp, TOP_MODULATE);
    d.setTextureStageState(0, TextureStageState::AlphaArg1, TA_TEXTURE);
    d.setTextureStageState(0, TextureStageState::AlphaArg2, TA_DIFFUSE);
    d.setSamplerState(0, SamplerState::AddressU, TADDRESS_CLAMP);
    d.setSamplerState(0, SamplerState::AddressV, TADDRESS_CLAMP);
    d.setSamplerState(0, SamplerState::MagFilter, TEXF_LINEAR);
    d.setSamplerState(0, SamplerState::MinFilter, TEXF_LINEAR);
    return true;
}

void Sprite::end() {
    if (!inBracket_) return;
    inBracket_ = false;
    Device& d = device_;
    // Only what differs is set back, so a recorded frame shows what the bracket changed.
    for (int i = 0; i < kRenderStateCount; ++i) {
        auto s = static_cast<RenderState>(i);
        if (d.renderState(s) != saved_->renderStates[i]) d.setRenderState(s, saved_->renderStates[i]);
    }
    for (int i = 0; i < kTextureStageStateCount; ++i) {
        auto s = static_cast<TextureStageState>(i);
        if (d.textureStageState(0, s) != saved_->stage[i]) d.setTextureStageState(0, s, saved_->stage[i]);
    }
    for (int i = 0; i < kSamplerStateCount; ++i) {
        auto s = static_cast<SamplerState>(i);
        if (d.samplerState(0, s) != saved_->sampler[i]) d.setSamplerState(0, s, saved_->sampler[i]);
    }
    if (d.texture(0) != saved_->texture) d.setTexture(0, saved_->texture);
}

void Sprite::setTransform(const Matrix& m) { transform_ = m; }

void Sprite::draw(Texture* texture, const Rect* source, const Vec3* centre, const Vec3* position, Colour colour) {
    if (!texture || texture->width <= 0 || texture->height <= 0) return;
    const Rect r = source ? *source : Rect{0, 0, texture->width, texture->height};
    const Vec3 c = centre ? *centre : Vec3{};
    const Vec3 p = position ? *position : Vec3{};
    const float x0 = p.x - c.x, y0 = p.y - c.y, z = p.z - c.z;
    const float x1 = x0 + static_cast<float>(r.right - r.left);
    const float y1 = y0 + static_cast<float>(r.bottom - r.top);
    const float u0 = static_cast<float>(r.left) / static_cast<float>(texture->width);
    const float u1 = static_cast<float>(r.right) / static_cast<float>(texture->width);
    const float v0 = static_cast<float>(r.top) / static_cast<float>(texture->height);
    const float v1 = static_cast<float>(r.bottom) / static_cast<float>(texture->height);

    const Matrix& m = transform_;
    auto corner = [&](float x, float y, float u, float v) {
        float tx = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
        float ty = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
        float tz = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
        float tw = x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3];
        if (tw != 0.0f && tw != 1.0f) {
            tx /= tw;
            ty /= tw;
            tz /= tw;
        }
        // Vertices lie on pixel edges: the device puts pixel centres on integer coordinates.
        return VertexScreenColourTex{tx - 0.5f, ty - 0.5f, std::clamp(tz, 0.0f, 1.0f), 1.0f, colour, u, v};
    };
    const VertexScreenColourTex quad[4] = {corner(x0, y0, u0, v0), corner(x1, y0, u1, v0), corner(x0, y1, u0, v1),
                                           corner(x1, y1, u1, v1)};
    device_.setTexture(0, texture);
    device_.setVertexFormat(VertexFormat::ScreenColourTex);
    device_.drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, quad, sizeof(VertexScreenColourTex));
}

}  // namespace hc
