#pragma once
// Direct3D state translated to GL: matrices, colours, enumerations, the fixed state, sampling and lights.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>

#include "platform/device_types.h"
#include "platform/sdl/gl_programs.h"

namespace hc::gl {

// Row-vector matrices are uploaded as they lie in memory; GLSL then sees the transpose, so M * v there is
// v * M here.
Matrix multiply(const Matrix& a, const Matrix& b);
// Inverse transpose of the upper 3x3, row-major; a singular matrix leaves normals unchanged.
void normalMatrix(const Matrix& m, float out[9]);
void colourToFloats(Colour c, float out[4]);
GLenum blendFactor(std::uint32_t b);
GLenum compareFunc(std::uint32_t f);
GLenum addressMode(std::uint32_t a);
GLenum primitiveMode(PrimitiveType t);
std::uint32_t verticesFor(PrimitiveType type, std::uint32_t primitives);

// Everything the draw state maps to, as last handed to GL; a draw uploads only what differs.
struct GlStateCache {
    int depthTest = -1, depthWrite = -1, cull = -1, blend = -1, fill = -1;
    GLenum depthFunc = 0, cullFace = 0, srcBlend = 0, dstBlend = 0;
};

struct LightCache {
    int count = 0;
    float diffuse[16][4], specular[16][4], ambient[16][4], position[16][4], direction[16][4], attenuation[16][4],
        spot[16][4];
};

using RenderStates = std::array<std::uint32_t, kRenderStateCount>;
using SamplerStates = std::array<std::uint32_t, kSamplerStateCount>;

// Depth, culling, blending and fill mode as the render states ask, handed to GL where they differ from
// the cache.
void applyFixedState(const RenderStates& states, GlStateCache& g);

// The sampler's addressing, filters and border as sampler 0's states ask; cached holds what was last set,
// fresh forces the upload.
void applySampling(GLuint sampler, const SamplerStates& s, std::uint32_t cached[5], bool& fresh);

// The enabled lights, in index order and in camera space, into the program's uniforms.
void uploadLights(const Uniforms& u, const std::array<Light, 16>& lights, const std::array<bool, 16>& enabled,
                  const Matrix& view, LightCache& c);

}  // namespace hc::gl
