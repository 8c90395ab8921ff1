// Direct3D state translated to GL: matrices, colours, enumerations, the fixed state, sampling and lights.
#include "platform/sdl/gl_state.h"

#include <cmath>
#include <cstring>

namespace hc::gl {

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

void normalMatrix(const Matrix& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) {
        const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, id, sizeof id);
        return;
    }
    // inverse = adjugate / det; its transpose is the cofactor matrix / det.
    const float cof[9] = {A, B, C,
                          -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                          b * f - c * e, -(a * f - c * d), a * e - b * d};
    for (int k = 0; k < 9; ++k) out[k] = cof[k] / det;
}

void colourToFloats(Colour c, float out[4]) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

GLenum blendFactor(std::uint32_t b) {
    switch (b) {
    case 1: return GL_ZERO;
    case 2: return GL_ONE;
    case 3: return GL_SRC_COLOR;
    case 4: return GL_ONE_MINUS_SRC_COLOR;
    case 5: return GL_SRC_ALPHA;
    case 6: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum compareFunc(std::uint32_t f) {
    switch (f) {
    case CMP_NEVER: return GL_NEVER;
    case CMP_LESS: return GL_LESS;
    case CMP_EQUAL: return GL_EQUAL;
    case CMP_LESSEQUAL: return GL_LEQUAL;
    case CMP_GREATER: return GL_GREATER;
    case CMP_NOTEQUAL: return GL_NOTEQUAL;
    case CMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum addressMode(std::uint32_t a) {
    switch (a) {
    case TADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case TADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case TADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

GLenum primitiveMode(PrimitiveType t) {
    switch (t) {
    case PrimitiveType::PointList: return GL_POINTS;
    case PrimitiveType::LineList: return GL_LINES;
    case PrimitiveType::LineStrip: return GL_LINE_STRIP;
    case PrimitiveType::TriangleList: return GL_TRIANGLES;
    case PrimitiveType::TriangleStrip: return GL_TRIANGLE_STRIP;
    case PrimitiveType::TriangleFan: return GL_TRIANGLE_FAN;
    }
    return GL_TRIANGLES;
}

std::uint32_t verticesFor(PrimitiveType type, std::uint32_t primitives) {
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

void applySampling(GLuint sampler, const SamplerStates& s, std::uint32_t cached[5], bool& fresh) {
    std::uint32_t now[5] = {s[static_cast<int>(SamplerState::AddressU)], s[static_cast<int>(SamplerState::AddressV)],
                            s[static_cast<int>(SamplerState::MagFilter)], s[static_cast<int>(SamplerState::MinFilter)],
                            s[static_cast<int>(SamplerState::BorderColor)]};
    if (!fresh && std::memcmp(now, cached, sizeof now) == 0) return;
    fresh = false;
    std::memcpy(cached, now, sizeof now);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(addressMode(now[0])));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(addressMode(now[1])));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, now[2] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, now[3] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    float border[4];
    colourToFloats(now[4], border);
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
}

void applyFixedState(const RenderStates& states, GlStateCache& g) {
    auto rs = [&states](RenderState s) { return states[static_cast<int>(s)]; };
    int depthTest = rs(RenderState::ZEnable) != ZB_FALSE ? 1 : 0;
    if (depthTest != g.depthTest) {
        g.depthTest = depthTest;
        depthTest ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
    }
    int depthWrite = rs(RenderState::ZWriteEnable) ? 1 : 0;
    if (depthWrite != g.depthWrite) {
        g.depthWrite = depthWrite;
        glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);
    }
    GLenum depthFunc = compareFunc(rs(RenderState::ZFunc));
    if (depthFunc != g.depthFunc) {
        g.depthFunc = depthFunc;
        glDepthFunc(depthFunc);
    }
    std::uint32_t cullMode = rs(RenderState::CullMode);
    int cull = cullMode == CULL_CW || cullMode == CULL_CCW ? 1 : 0;
    if (cull != g.cull) {
        g.cull = cull;
        cull ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
    }
    if (cull) {
        GLenum face = cullMode == CULL_CCW ? GL_BACK : GL_FRONT;
        if (face != g.cullFace) {
            g.cullFace = face;
            glCullFace(face);
        }
    }
    int blend = rs(RenderState::AlphaBlendEnable) ? 1 : 0;
    if (blend != g.blend) {
        g.blend = blend;
        blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    }
    if (blend) {
        GLenum src = blendFactor(rs(RenderState::SrcBlend)), dst = blendFactor(rs(RenderState::DestBlend));
        if (src != g.srcBlend || dst != g.dstBlend) {
            g.srcBlend = src;
            g.dstBlend = dst;
            glBlendFunc(src, dst);
        }
    }
    std::uint32_t fillMode = rs(RenderState::FillMode);
    int fill = fillMode == 1 ? 1 : fillMode == 2 ? 2
                                                 : 3;
    if (fill != g.fill) {
        g.fill = fill;
        glPolygonMode(GL_FRONT_AND_BACK, fill == 1 ? GL_POINT : fill == 2 ? GL_LINE
                                                                          : GL_FILL);
    }
}

void uploadLights(const Uniforms& u, const std::array<Light, 16>& lights, const std::array<bool, 16>& enabled,
                  const Matrix& view, LightCache& c) {
    c.count = 0;
    for (int i = 0; i < 16; ++i) {
        if (!enabled[i]) continue;
        const Light& l = lights[i];
        int k = c.count++;
        auto put = [](float* out, const ColourValue& v) {
            out[0] = v.r;
            out[1] = v.g;
            out[2] = v.b;
            out[3] = v.a;
        };
        put(c.diffuse[k], l.diffuse);
        put(c.specular[k], l.specular);
        put(c.ambient[k], l.ambient);
        const Matrix& v = view;
        const Vec3 p = l.position;
        c.position[k][0] = p.x * v.m[0][0] + p.y * v.m[1][0] + p.z * v.m[2][0] + v.m[3][0];
        c.position[k][1] = p.x * v.m[0][1] + p.y * v.m[1][1] + p.z * v.m[2][1] + v.m[3][1];
        c.position[k][2] = p.x * v.m[0][2] + p.y * v.m[1][2] + p.z * v.m[2][2] + v.m[3][2];
        c.position[k][3] = static_cast<float>(static_cast<std::uint32_t>(l.type));
        const Vec3 d = l.direction;
        float dx = d.x * v.m[0][0] + d.y * v.m[1][0] + d.z * v.m[2][0];
        float dy = d.x * v.m[0][1] + d.y * v.m[1][1] + d.z * v.m[2][1];
        float dz = d.x * v.m[0][2] + d.y * v.m[1][2] + d.z * v.m[2][2];
        float len = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (len > 0) {
            dx /= len;
            dy /= len;
            dz /= len;
        }
        c.direction[k][0] = dx;
        c.direction[k][1] = dy;
        c.direction[k][2] = dz;
        c.direction[k][3] = 0;
        c.attenuation[k][0] = l.attenuation0;
        c.attenuation[k][1] = l.attenuation1;
        c.attenuation[k][2] = l.attenuation2;
        c.attenuation[k][3] = l.range;
        c.spot[k][0] = std::cos(l.theta * 0.5f);
        c.spot[k][1] = std::cos(l.phi * 0.5f);
        c.spot[k][2] = l.falloff;
        c.spot[k][3] = 0;
    }
    if (c.count == 0) return;
    glUniform4fv(u.lightDiffuse, c.count, c.diffuse[0]);
    glUniform4fv(u.lightSpecular, c.count, c.specular[0]);
    glUniform4fv(u.lightAmbient, c.count, c.ambient[0]);
    glUniform4fv(u.lightPosition, c.count, c.position[0]);
    glUniform4fv(u.lightDirection, c.count, c.direction[0]);
    glUniform4fv(u.lightAttenuation, c.count, c.attenuation[0]);
    glUniform4fv(u.lightSpot, c.count, c.spot[0]);
}

}  // namespace hc::gl
