#pragma once
// Values and records of the fixed-function 3-D device. Enumerators keep the numbers the game's data and
// recorded call logs use, so a log reads the same as the original state tables.
#include <cstdint>

#include "platform/math3d.h"

namespace hc {

using Colour = std::uint32_t;  // 0xAARRGGBB

struct ColourValue {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

enum class RenderState : std::uint32_t {
    ZEnable = 7,
    FillMode = 8,
    ShadeMode = 9,
    ZWriteEnable = 14,
    AlphaTestEnable = 15,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    ZFunc = 23,
    AlphaRef = 24,
    AlphaFunc = 25,
    AlphaBlendEnable = 27,
    FogEnable = 28,
    SpecularEnable = 29,
    FogColor = 34,
    FogTableMode = 35,
    FogStart = 36,    // float bits
    FogEnd = 37,      // float bits
    FogDensity = 38,  // float bits
    RangeFogEnable = 48,
    TextureFactor = 60,
    Lighting = 137,
    Ambient = 139,
    FogVertexMode = 140,
    NormalizeNormals = 143,
};
constexpr int kRenderStateCount = 256;

enum : std::uint32_t {
    ZB_FALSE = 0,
    ZB_TRUE = 1,
    FILL_SOLID = 3,
    SHADE_GOURAUD = 2,
    CULL_NONE = 1,
    CULL_CW = 2,
    CULL_CCW = 3,
    BLEND_ZERO = 1,
    BLEND_ONE = 2,
    BLEND_SRCALPHA = 5,
    BLEND_INVSRCALPHA = 6,
    FOG_NONE = 0,
    FOG_EXP = 1,
    FOG_EXP2 = 2,
    FOG_LINEAR = 3,
    CMP_NEVER = 1,
    CMP_LESS = 2,
    CMP_EQUAL = 3,
    CMP_LESSEQUAL = 4,
    CMP_GREATER = 5,
    CMP_NOTEQUAL = 6,
    CMP_GREATEREQUAL = 7,
    CMP_ALWAYS = 8,
};

inline std::uint32_t floatBits(float f) {
    union {
        float f;
        std::uint32_t u;
    } v{f};
    return v.u;
}
inline float bitsFloat(std::uint32_t u) {
    union {
        std::uint32_t u;
        float f;
    } v{u};
    return v.f;
}

enum class TextureStageState : std::uint32_t {
    ColorOp = 1,
    ColorArg1 = 2,
    ColorArg2 = 3,
    AlphaOp = 4,
    AlphaArg1 = 5,
    AlphaArg2 = 6,
};
constexpr int kTextureStageStateCount = 33;

enum : std::uint32_t {
    TOP_DISABLE = 1,
    TOP_SELECTARG1 = 2,
    TOP_SELECTARG2 = 3,
    TOP_MODULATE = 4,
    TA_DIFFUSE = 0,
    TA_CURRENT = 1,
    TA_TEXTURE = 2,
    TA_TFACTOR = 3,
};

enum class SamplerState : std::uint32_t {
    AddressU = 1,
    AddressV = 2,
    AddressW = 3,
    BorderColor = 4,
    MagFilter = 5,
    MinFilter = 6,
    MipFilter = 7,
};
constexpr int kSamplerStateCount = 14;

enum : std::uint32_t {
    TADDRESS_WRAP = 1,
    TADDRESS_MIRROR = 2,
    TADDRESS_CLAMP = 3,
    TADDRESS_BORDER = 4,
    TEXF_NONE = 0,
    TEXF_POINT = 1,
    TEXF_LINEAR = 2,
};

enum class TransformType : std::uint32_t {
    View = 2,
    Projection = 3,
    World = 256,
};

enum class LightType : std::uint32_t { Point = 1,
                                       Spot = 2,
                                       Directional = 3 };

struct Light {
    LightType type = LightType::Directional;
    ColourValue diffuse, specular, ambient;
    Vec3 position, direction;
    float range = 0, falloff = 0, attenuation0 = 0, attenuation1 = 0, attenuation2 = 0, theta = 0, phi = 0;
};

struct Material {
    ColourValue diffuse, ambient, specular, emissive;
    float power = 0;
};

enum : std::uint32_t { CLEAR_TARGET = 1,
                       CLEAR_ZBUFFER = 2,
                       CLEAR_STENCIL = 4 };

enum class PrimitiveType : std::uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
};

// The vertex layouts the game and its helpers draw with (declarations of the original device).
enum class VertexFormat : std::uint32_t {
    None = 0,
    PositionColour,     // float3 position, Colour at offset 12 (16 bytes)
    PositionNormalTex,  // float3 position, float3 normal, float2 uv (32 bytes), the mesh layout
    ScreenColourTex,    // float4 x, y, z, rhw in pixels, Colour, float2 uv (28 bytes), sprites
};

struct VertexPositionColour {
    float x, y, z;
    Colour colour;
};

struct VertexPositionNormalTex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct VertexScreenColourTex {
    float x, y, z, rhw;
    Colour colour;
    float u, v;
};

struct DeviceCaps {
    std::uint32_t maxActiveLights = 16;
};

}  // namespace hc
