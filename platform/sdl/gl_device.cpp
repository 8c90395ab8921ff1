#include "platform/sdl/gl_device.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace hc {

namespace {

// The fixed-function pipeline as one program. Lighting runs per vertex in camera space with a local
// viewer; the stage-0 combiner, specular add, fog and alpha test run per pixel.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

uniform int uScreenSpace;      // 1: x, y in 1280x720 pixels, z in 0..1, w holds rhw
uniform vec2 uScreenScale;     // 2 / 1280, 2 / 720
uniform int uHasColour;
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;    // inverse transpose of the world-view 3x3; normals are not renormalised
uniform int uLighting;
uniform int uSpecularEnable;
uniform int uLightCount;
uniform vec4 uLightDiffuse[16];
uniform vec4 uLightSpecular[16];
uniform vec4 uLightAmbient[16];
uniform vec4 uLightPosition[16];   // camera space; w: light type
uniform vec4 uLightDirection[16];  // camera space, unit length
uniform vec4 uLightAttenuation[16];  // a0, a1, a2, range
uniform vec4 uLightSpot[16];       // cos(theta / 2), cos(phi / 2), falloff
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialSpecular;
uniform vec4 uMaterialEmissive;
uniform float uMaterialPower;
uniform vec4 uGlobalAmbient;

out vec4 vDiffuse;
out vec3 vSpecular;
out vec2 vTexCoord;
out float vEyeDepth;

void main() {
    vTexCoord = aTexCoord;
    vec4 vertexColour = uHasColour != 0 ? aColour : vec4(1.0);
    if (uScreenSpace != 0) {
        float w = aPosition.w > 0.0 ? 1.0 / aPosition.w : 1.0;
        // Pixel centres sit on integer coordinates as in the original device.
        vec2 ndc = vec2((aPosition.x + 0.5) * uScreenScale.x - 1.0, 1.0 - (aPosition.y + 0.5) * uScreenScale.y);
        gl_Position = vec4(ndc * w, (2.0 * aPosition.z - 1.0) * w, w);
        vDiffuse = vertexColour;
        vSpecular = vec3(0.0);
        vEyeDepth = 0.0;
        return;
    }
    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    clip.z = 2.0 * clip.z - clip.w;  // the game's depth runs 0..1
    gl_Position = clip;
    vEyeDepth = eye.z;
    if (uLighting == 0) {
        vDiffuse = vertexColour;
        vSpecular = vec3(0.0);
        return;
    }
    vec4 materialDiffuse = uHasColour != 0 ? aColour : uMaterialDiffuse;
    vec3 P = eye.xyz;
    vec3 N = uNormalMatrix * aNormal;
    vec3 V = length(P) > 0.0 ? -normalize(P) : vec3(0.0, 0.0, -1.0);
    vec3 ambientSum = vec3(0.0);
    vec3 diffuseSum = vec3(0.0);
    vec3 specularSum = vec3(0.0);
    for (int i = 0; i < uLightCount; ++i) {
        int type = int(uLightPosition[i].w);
        vec3 L;
        float scale = 1.0;
        if (type == 3) {
            L = -uLightDirection[i].xyz;
        } else {
            vec3 toLight = uLightPosition[i].xyz - P;
            float d = length(toLight);
            if (d > uLightAttenuation[i].w) continue;
            L = d > 0.0 ? toLight / d : vec3(0.0);
            float denominator = uLightAttenuation[i].x + uLightAttenuation[i].y * d + uLightAttenuation[i].z * d * d;
            scale = denominator > 0.0 ? 1.0 / denominator : 1.0;
            if (type == 2) {
                float rho = dot(-uLightDirection[i].xyz, L);
                if (rho <= uLightSpot[i].y) {
                    scale = 0.0;
                } else if (rho < uLightSpot[i].x) {
                    scale *= pow((rho - uLightSpot[i].y) / (uLightSpot[i].x - uLightSpot[i].y), uLightSpot[i].z);
                }
            }
        }
        ambientSum += uLightAmbient[i].rgb * scale;
        float NdotL = dot(N, L);
        if (NdotL > 0.0) {
            diffuseSum += uLightDiffuse[i].rgb * (NdotL * scale);
            if (uSpecularEnable != 0) {
                float NdotH = dot(N, normalize(V + L));
                if (NdotH > 0.0) specularSum += uLightSpecular[i].rgb * (pow(NdotH, uMaterialPower) * scale);
            }
        }
    }
    vec3 colour = uMaterialEmissive.rgb + uMaterialAmbient.rgb * (uGlobalAmbient.rgb + ambientSum)
                + materialDiffuse.rgb * diffuseSum;
    vDiffuse = clamp(vec4(colour, materialDiffuse.a), 0.0, 1.0);
    vSpecular = clamp(uMaterialSpecular.rgb * specularSum, 0.0, 1.0);
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;
in float vEyeDepth;

uniform sampler2D uTexture;
uniform int uHasTexture;
uniform ivec3 uColourStage;  // op, arg1, arg2
uniform ivec3 uAlphaStage;
uniform vec4 uTextureFactor;
uniform int uSpecularAdd;
uniform int uFogMode;        // 0 none, 1 exp, 2 exp2, 3 linear
uniform vec3 uFog;           // start, end, density
uniform vec3 uFogColour;
uniform int uAlphaFunc;      // 0: test off, else the comparison
uniform float uAlphaRef;     // 0..255

out vec4 fragColour;

vec4 argument(int a, vec4 diffuse, vec4 texel) {
    int source = a & 15;
    vec4 v = source == 2 ? texel : source == 3 ? uTextureFactor : source == 4 ? vec4(vSpecular, 1.0) : diffuse;
    if ((a & 16) != 0) v = vec4(1.0) - v;
    if ((a & 32) != 0) v = vec4(v.a);
    return v;
}

vec4 combine(int op, vec4 a1, vec4 a2, vec4 current) {
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 5) return a1 * a2 * 2.0;
    if (op == 6) return a1 * a2 * 4.0;
    if (op == 7) return a1 + a2;
    if (op == 8) return a1 + a2 - 0.5;
    if (op == 9) return (a1 + a2 - 0.5) * 2.0;
    if (op == 10) return a1 - a2;
    if (op == 11) return a1 + a2 - a1 * a2;
    return current;
}

bool passes(int func, float value, float reference) {
    if (func == 1) return false;
    if (func == 2) return value < reference;
    if (func == 3) return value == reference;
    if (func == 4) return value <= reference;
    if (func == 5) return value > reference;
    if (func == 6) return value != reference;
    if (func == 7) return value >= reference;
    return true;
}

void main() {
    vec4 texel = uHasTexture != 0 ? texture(uTexture, vTexCoord) : vec4(1.0);
    vec4 colour = vDiffuse;
    if (uColourStage.x != 1) {
        colour.rgb = combine(uColourStage.x, argument(uColourStage.y, vDiffuse, texel),
                             argument(uColourStage.z, vDiffuse, texel), vDiffuse).rgb;
    }
    if (uAlphaStage.x != 1 && uColourStage.x != 1) {
        colour.a = combine(uAlphaStage.x, argument(uAlphaStage.y, vDiffuse, texel),
                           argument(uAlphaStage.z, vDiffuse, texel), vDiffuse).a;
    }
    colour = clamp(colour, 0.0, 1.0);
    if (uSpecularAdd != 0) colour.rgb = min(colour.rgb + vSpecular, vec3(1.0));
    if (uFogMode != 0) {
        float d = vEyeDepth;
        float f;
        if (uFogMode == 3) f = uFog.y != uFog.x ? (uFog.y - d) / (uFog.y - uFog.x) : (d < uFog.y ? 1.0 : 0.0);
        else if (uFogMode == 1) f = exp(-uFog.z * d);
        else f = exp(-(uFog.z * d) * (uFog.z * d));
        colour.rgb = mix(uFogColour, colour.rgb, clamp(f, 0.0, 1.0));
    }
    if (uAlphaFunc != 0 && !passes(uAlphaFunc, floor(colour.a * 255.0 + 0.5), uAlphaRef)) discard;
    fragColour = colour;
}
)";

// Full screen shows the 1280x720 frame scaled onto the display: one quad over the picture's rectangle
// (the viewport), sampled bilinearly. On a software rasteriser this costs about a sixth less than a
// scaling glBlitFramebuffer.
const char* kScaleVertexShader = R"(#version 330 core
out vec2 vTexCoord;
void main() {
    vec2 corner = vec2(gl_VertexID & 1, gl_VertexID >> 1);
    vTexCoord = corner;
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* kScaleFragmentShader = R"(#version 330 core
in vec2 vTexCoord;
uniform sampler2D uFrame;
out vec4 fragColour;
void main() {
    fragColour = vec4(texture(uFrame, vTexCoord).rgb, 1.0);
}
)";

// GL objects outlive nothing: resources check that the device is still there before deleting, and tell
// it when a name it caches goes away.
struct GlShared {
    bool alive = true;
    const Texture* boundTexture = nullptr;
    GLuint vaoVertexBuffer[4] = {};
    GLuint vaoIndexBuffer[4] = {};
};

class GlTexture : public Texture {
public:
    explicit GlTexture(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenTextures(1, &name); }
    ~GlTexture() override {
        if (!shared_->alive) return;
        if (shared_->boundTexture == this) shared_->boundTexture = nullptr;
        glDeleteTextures(1, &name);
    }
    void update() override {
        if (!shared_->alive) return;
        std::size_t count = static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
        if (pixels.size() < count) pixels.resize(count, 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, name);
        shared_->boundTexture = nullptr;  // the binding changed under the draw cache
        // 0xAARRGGBB in memory is B, G, R, A.
        if (width == uploadedWidth_ && height == uploadedHeight_) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            uploadedWidth_ = width;
            uploadedHeight_ = height;
        }
    }
    GLuint name = 0;

private:
    std::shared_ptr<GlShared> shared_;
    int uploadedWidth_ = -1;
    int uploadedHeight_ = -1;
};

class GlVertexBuffer : public VertexBuffer {
public:
    explicit GlVertexBuffer(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenBuffers(1, &name); }
    ~GlVertexBuffer() override {
        if (!shared_->alive) return;
        for (GLuint& b : shared_->vaoVertexBuffer)
            if (b == name) b = 0;
        glDeleteBuffers(1, &name);
    }
    void unlock() override {
        if (!shared_->alive) return;
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(data.size()), data.data(), GL_STATIC_DRAW);
        uploadedBytes = data.size();
    }
    GLuint name = 0;
    std::size_t uploadedBytes = 0;

private:
    std::shared_ptr<GlShared> shared_;
};

class GlIndexBuffer : public IndexBuffer {
public:
    explicit GlIndexBuffer(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenBuffers(1, &name); }
    ~GlIndexBuffer() override {
        if (!shared_->alive) return;
        for (GLuint& b : shared_->vaoIndexBuffer)
            if (b == name) b = 0;
        glDeleteBuffers(1, &name);
    }
    void unlock() override {
        if (!shared_->alive) return;
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(std::uint16_t)), data.data(),
                     GL_STATIC_DRAW);
        uploadedCount = data.size();
        maxIndex = 0;
        for (std::uint16_t i : data) maxIndex = std::max<std::uint32_t>(maxIndex, i);
    }
    GLuint name = 0;
    std::size_t uploadedCount = 0;
    std::uint32_t maxIndex = 0;

private:
    std::shared_ptr<GlShared> shared_;
};

struct Uniforms {
    GLint screenSpace, screenScale, hasColour, worldView, projection, normalMatrix, lighting, specularEnable;
    GLint lightCount, lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection, lightAttenuation,
        lightSpot;
    GLint materialDiffuse, materialAmbient, materialSpecular, materialEmissive, materialPower, globalAmbient;
    GLint texture, hasTexture, colourStage, alphaStage, textureFactor, specularAdd, fogMode, fog, fogColour,
        alphaFunc, alphaRef;
};

// Row-vector matrices are uploaded as they lie in memory; GLSL then sees the transpose, so M * v there is
// v * M here.
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

// Inverse transpose of the upper 3x3, row-major; a singular matrix leaves normals unchanged.
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

GLuint compileShader(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "GL shader: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint linkProgram(const char* vertexShader, const char* fragmentShader) {
    GLuint vs = compileShader(GL_VERTEX_SHADER, vertexShader);
    GLuint fs = compileShader(GL_FRAGMENT_SHADER, fragmentShader);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "GL program: %s\n", log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

constexpr float kScreenWidth = 1280.0f;
constexpr float kScreenHeight = 720.0f;
constexpr std::size_t kStreamBytes = 1u << 20;

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

struct PixelCache {
    int colourStage[3] = {-1, -1, -1};
    int alphaStage[3] = {-1, -1, -1};
    Colour textureFactor = 0;
    int hasTexture = -1, specularAdd = -1, fogMode = -1, alphaFunc = -1;
    float fog[3] = {-1, -1, -1};
    Colour fogColour = 0;
    float alphaRef = -1;
    bool fresh = true;
};

class GlDevice : public Device {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context, const PresentConfig& config)
        : window_(window), context_(context), fullscreen_(config.fullscreen) {
        resetDefaults();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        width_ = config.backBufferWidth > 0 ? config.backBufferWidth : std::max(w, 1);
        height_ = config.backBufferHeight > 0 ? config.backBufferHeight : std::max(h, 1);
        sizeFollowsWindow_ = config.backBufferWidth <= 0 || config.backBufferHeight <= 0;
        shared_ = std::make_shared<GlShared>();
    }

    ~GlDevice() override {
        shared_->alive = false;
        if (lastFrame_) glDeleteSync(lastFrame_);
        if (program_) glDeleteProgram(program_);
        glDeleteVertexArrays(4, upVao_);
        glDeleteVertexArrays(4, bufferVao_);
        if (streamBuffer_) glDeleteBuffers(1, &streamBuffer_);
        if (sampler_) glDeleteSamplers(1, &sampler_);
        if (scaleProgram_) glDeleteProgram(scaleProgram_);
        if (scaleVao_) glDeleteVertexArrays(1, &scaleVao_);
        if (scaleSampler_) glDeleteSamplers(1, &scaleSampler_);
        releaseTarget();
        SDL_GL_DeleteContext(context_);
    }

    bool init() {
        program_ = linkProgram(kVertexShader, kFragmentShader);
        if (!program_) return false;
        lookUpUniforms();
        glUseProgram(program_);
        glUniform1i(u_.texture, 0);
        glUniform2f(u_.screenScale, 2.0f / kScreenWidth, 2.0f / kScreenHeight);

        glGenVertexArrays(4, upVao_);
        glGenVertexArrays(4, bufferVao_);
        glGenBuffers(1, &streamBuffer_);
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);

        glGenSamplers(1, &sampler_);
        glBindSampler(0, sampler_);

        // The original device's front faces are clockwise on screen.
        glFrontFace(GL_CW);
        glDisable(GL_DITHER);
        windowDepthOk_ = windowHasDepth();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (!useTarget(drawsDirectly(w, h))) return false;
        return glGetError() == GL_NO_ERROR;
    }

    void clear(std::uint32_t flags, Colour colour, float z, std::uint32_t stencil) override {
        Device::clear(flags, colour, z, stencil);
        if (!drawing()) return;
        GLbitfield mask = 0;
        if (flags & CLEAR_TARGET) {
            float c[4];
            colourToFloats(colour, c);
            glClearColor(c[0], c[1], c[2], c[3]);
            mask |= GL_COLOR_BUFFER_BIT;
        }
        // Only draws with the depth test on see depth, so its clear waits for the first of them: a frame of
        // sprites alone (the title, the ranking) never pays for it.
        if (flags & CLEAR_ZBUFFER) {
            depthClearPending_ = true;
            depthClearValue_ = std::clamp(z, 0.0f, 1.0f);
        }
        // Nothing tests stencil, and our buffers carry none.
        if (flags & CLEAR_STENCIL) {
            glClearStencil(static_cast<GLint>(stencil));
            mask |= GL_STENCIL_BUFFER_BIT;
        }
        if (mask) glClear(mask);
    }

    void present() override {
        Device::present();
        keptValid_ = keepPresentedFrame && backDefined_ && readTarget(kept_);
        // A hidden window shows nothing: no scaling, no swap, no wait for the display. GL still finishes the
        // frames whenever it needs to, and a read-back waits for them.
        if (windowShown()) {
            if (fbo_) showScaled();
            SDL_GL_SwapWindow(window_);
        }
        if (!fbo_) backDefined_ = false;  // the window's back buffer is undefined after a swap
        followWindow();
        throttle();
    }

    std::unique_ptr<Texture> createTexture(int width, int height, const Colour* pixels) override {
        auto t = std::make_unique<GlTexture>(shared_);
        t->width = std::max(width, 0);
        t->height = std::max(height, 0);
        std::size_t count = static_cast<std::size_t>(t->width) * static_cast<std::size_t>(t->height);
        if (pixels) t->pixels.assign(pixels, pixels + count);
        else t->pixels.assign(count, 0);
        t->update();
        return t;
    }

    std::unique_ptr<VertexBuffer> createVertexBuffer(std::size_t bytes) override {
        auto b = std::make_unique<GlVertexBuffer>(shared_);
        b->data.resize(bytes);
        return b;
    }

    std::unique_ptr<IndexBuffer> createIndexBuffer(std::size_t count) override {
        auto b = std::make_unique<GlIndexBuffer>(shared_);
        b->data.resize(count);
        return b;
    }

    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }

    bool readBackBuffer(std::vector<Colour>& pixels) override {
        if (keptValid_) {
            pixels = kept_;
            return true;
        }
        return backDefined_ && readTarget(pixels);
    }

protected:
    void doDrawIndexed(PrimitiveType type, std::int32_t baseVertex, std::uint32_t startIndex,
                       std::uint32_t primitiveCount) override {
        if (!drawing()) return;
        auto* vb = dynamic_cast<GlVertexBuffer*>(stream_);
        auto* ib = dynamic_cast<GlIndexBuffer*>(indices_);
        int format = static_cast<int>(vertexFormat_);
        if (!vb || !ib || format <= 0 || format > 3 || streamStride_ == 0 || primitiveCount == 0) return;
        std::uint64_t count = verticesFor(type, primitiveCount);
        if (startIndex + count > ib->uploadedCount) return;
        if (baseVertex < 0) return;
        std::uint64_t vertices = vb->uploadedBytes / streamStride_;
        if (static_cast<std::uint64_t>(baseVertex) + ib->maxIndex >= vertices) return;
        if (streamStride_ < formatSize(format)) return;

        glBindVertexArray(bufferVao_[format]);
        if (shared_->vaoVertexBuffer[format] != vb->name || bufferStride_[format] != streamStride_) {
            glBindBuffer(GL_ARRAY_BUFFER, vb->name);
            setAttributes(format, streamStride_);
            shared_->vaoVertexBuffer[format] = vb->name;
            bufferStride_[format] = streamStride_;
        }
        if (shared_->vaoIndexBuffer[format] != ib->name) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib->name);
            shared_->vaoIndexBuffer[format] = ib->name;
        }
        applyState(format);
        glDrawElementsBaseVertex(primitiveMode(type), static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * 2), baseVertex);
    }

    void doDrawUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                  std::uint32_t stride) override {
        if (!drawing()) return;
        int format = static_cast<int>(vertexFormat_);
        if (!vertices || format <= 0 || format > 3 || stride < formatSize(format) || primitiveCount == 0) return;
        std::size_t count = verticesFor(type, primitiveCount);
        std::size_t bytes = count * stride;
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
        if (bytes > streamCapacity_) {
            streamCapacity_ = std::max(bytes, streamCapacity_ * 2);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
            streamOffset_ = 0;
        }
        std::size_t offset = (streamOffset_ + stride - 1) / stride * stride;
        if (offset + bytes > streamCapacity_) {
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
            offset = 0;
        }
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), vertices);
        streamOffset_ = offset + bytes;

        glBindVertexArray(upVao_[format]);
        if (upStride_[format] != stride) {
            setAttributes(format, stride);
            upStride_[format] = stride;
        }
        applyState(format);
        glDrawArrays(primitiveMode(type), static_cast<GLint>(offset / stride), static_cast<GLsizei>(count));
    }

private:
    static std::uint32_t formatSize(int format) {
        switch (format) {
        case 1: return sizeof(VertexPositionColour);
        case 2: return sizeof(VertexPositionNormalTex);
        case 3: return sizeof(VertexScreenColourTex);
        default: return 0;
        }
    }

    // Attribute pointers for the buffer bound to GL_ARRAY_BUFFER and the VAO bound now.
    static void setAttributes(int format, std::uint32_t stride) {
        auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
        GLsizei s = static_cast<GLsizei>(stride);
        for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
        switch (format) {
        case 1:
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(12));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(2);
            break;
        case 2:
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, s, at(12));
            glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, s, at(24));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(1);
            glEnableVertexAttribArray(3);
            break;
        case 3:
            glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(16));
            glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, s, at(20));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(2);
            glEnableVertexAttribArray(3);
            break;
        default: break;
        }
    }

    std::uint32_t rs(RenderState s) const { return renderStates_[static_cast<int>(s)]; }

    void lookUpUniforms() {
        auto loc = [this](const char* name) { return glGetUniformLocation(program_, name); };
        u_.screenSpace = loc("uScreenSpace");
        u_.screenScale = loc("uScreenScale");
        u_.hasColour = loc("uHasColour");
        u_.worldView = loc("uWorldView");
        u_.projection = loc("uProjection");
        u_.normalMatrix = loc("uNormalMatrix");
        u_.lighting = loc("uLighting");
        u_.specularEnable = loc("uSpecularEnable");
        u_.lightCount = loc("uLightCount");
        u_.lightDiffuse = loc("uLightDiffuse");
        u_.lightSpecular = loc("uLightSpecular");
        u_.lightAmbient = loc("uLightAmbient");
        u_.lightPosition = loc("uLightPosition");
        u_.lightDirection = loc("uLightDirection");
        u_.lightAttenuation = loc("uLightAttenuation");
        u_.lightSpot = loc("uLightSpot");
        u_.materialDiffuse = loc("uMaterialDiffuse");
        u_.materialAmbient = loc("uMaterialAmbient");
        u_.materialSpecular = loc("uMaterialSpecular");
        u_.materialEmissive = loc("uMaterialEmissive");
        u_.materialPower = loc("uMaterialPower");
        u_.globalAmbient = loc("uGlobalAmbient");
        u_.texture = loc("uTexture");
        u_.hasTexture = loc("uHasTexture");
        u_.colourStage = loc("uColourStage");
        u_.alphaStage = loc("uAlphaStage");
        u_.textureFactor = loc("uTextureFactor");
        u_.specularAdd = loc("uSpecularAdd");
        u_.fogMode = loc("uFogMode");
        u_.fog = loc("uFog");
        u_.fogColour = loc("uFogColour");
        u_.alphaFunc = loc("uAlphaFunc");
        u_.alphaRef = loc("uAlphaRef");
    }

    template <typename T>
    static bool changed(T& cached, const T& now) {
        if (std::memcmp(&cached, &now, sizeof(T)) == 0) return false;
        std::memcpy(&cached, &now, sizeof(T));
        return true;
    }

    void setInt(GLint location, int& cached, int value) {
        if (cached == value) return;
        cached = value;
        glUniform1i(location, value);
    }

    void applyState(int format) {
        const bool screen = format == static_cast<int>(VertexFormat::ScreenColourTex);
        const bool lit = !screen && rs(RenderState::Lighting) != 0;
        setInt(u_.screenSpace, screenSpace_, screen ? 1 : 0);
        setInt(u_.hasColour, hasColour_, format != static_cast<int>(VertexFormat::PositionNormalTex) ? 1 : 0);
        setInt(u_.lighting, lighting_, lit ? 1 : 0);
        setInt(u_.specularEnable, specularEnable_, rs(RenderState::SpecularEnable) ? 1 : 0);

        bool viewChanged = changed(cachedView_, view_);
        if (changed(cachedWorld_, world_) || viewChanged) {
            Matrix wv = multiply(world_, view_);
            glUniformMatrix4fv(u_.worldView, 1, GL_FALSE, &wv.m[0][0]);
            float n[9];
            normalMatrix(wv, n);
            glUniformMatrix3fv(u_.normalMatrix, 1, GL_FALSE, n);
        }
        if (changed(cachedProjection_, projection_)) glUniformMatrix4fv(u_.projection, 1, GL_FALSE, &projection_.m[0][0]);

        if (lit) {
            bool lightsChanged = changed(cachedLights_, lights_);
            lightsChanged = changed(cachedLightEnabled_, lightEnabled_) || lightsChanged;
            if (lightsChanged || viewChanged || lightsStale_) uploadLights();
            if (changed(cachedMaterial_, material_)) {
                glUniform4fv(u_.materialDiffuse, 1, &material_.diffuse.r);
                glUniform4fv(u_.materialAmbient, 1, &material_.ambient.r);
                glUniform4fv(u_.materialSpecular, 1, &material_.specular.r);
                glUniform4fv(u_.materialEmissive, 1, &material_.emissive.r);
                glUniform1f(u_.materialPower, material_.power);
            }
            Colour ambient = rs(RenderState::Ambient);
            if (ambient != globalAmbient_ || firstLit_) {
                globalAmbient_ = ambient;
                float c[4];
                colourToFloats(ambient, c);
                glUniform4fv(u_.globalAmbient, 1, c);
            }
            firstLit_ = false;
        } else if (viewChanged) {
            lightsStale_ = true;  // camera-space lights are recomputed at the next lit draw
        }

        applyPixelState(screen);
        applySampling();
        applyFixedState();
    }

    void uploadLights() {
        lightsStale_ = false;
        LightCache& c = lightCache_;
        c.count = 0;
        for (int i = 0; i < 16; ++i) {
            if (!lightEnabled_[i]) continue;
            const Light& l = lights_[i];
            int k = c.count++;
            auto put = [](float* out, const ColourValue& v) {
                out[0] = v.r; out[1] = v.g; out[2] = v.b; out[3] = v.a;
            };
            put(c.diffuse[k], l.diffuse);
            put(c.specular[k], l.specular);
            put(c.ambient[k], l.ambient);
            const Matrix& v = view_;
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
                dx /= len; dy /= len; dz /= len;
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
        glUniform1i(u_.lightCount, c.count);
        if (c.count == 0) return;
        glUniform4fv(u_.lightDiffuse, c.count, c.diffuse[0]);
        glUniform4fv(u_.lightSpecular, c.count, c.specular[0]);
        glUniform4fv(u_.lightAmbient, c.count, c.ambient[0]);
        glUniform4fv(u_.lightPosition, c.count, c.position[0]);
        glUniform4fv(u_.lightDirection, c.count, c.direction[0]);
        glUniform4fv(u_.lightAttenuation, c.count, c.attenuation[0]);
        glUniform4fv(u_.lightSpot, c.count, c.spot[0]);
    }

    void applyPixelState(bool screen) {
        PixelCache& p = pixel_;
        const auto& stage = stageStates_[0];
        int colourStage[3] = {static_cast<int>(stage[static_cast<int>(TextureStageState::ColorOp)]),
                              static_cast<int>(stage[static_cast<int>(TextureStageState::ColorArg1)]),
                              static_cast<int>(stage[static_cast<int>(TextureStageState::ColorArg2)])};
        int alphaStage[3] = {static_cast<int>(stage[static_cast<int>(TextureStageState::AlphaOp)]),
                             static_cast<int>(stage[static_cast<int>(TextureStageState::AlphaArg1)]),
                             static_cast<int>(stage[static_cast<int>(TextureStageState::AlphaArg2)])};
        if (p.fresh || std::memcmp(colourStage, p.colourStage, sizeof colourStage) != 0) {
            std::memcpy(p.colourStage, colourStage, sizeof colourStage);
            glUniform3iv(u_.colourStage, 1, colourStage);
        }
        if (p.fresh || std::memcmp(alphaStage, p.alphaStage, sizeof alphaStage) != 0) {
            std::memcpy(p.alphaStage, alphaStage, sizeof alphaStage);
            glUniform3iv(u_.alphaStage, 1, alphaStage);
        }
        Colour factor = rs(RenderState::TextureFactor);
        if (p.fresh || factor != p.textureFactor) {
            p.textureFactor = factor;
            float c[4];
            colourToFloats(factor, c);
            glUniform4fv(u_.textureFactor, 1, c);
        }

        auto* texture = dynamic_cast<GlTexture*>(textures_[0]);
        setInt(u_.hasTexture, p.hasTexture, texture ? 1 : 0);
        if (texture && shared_->boundTexture != texture) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, texture->name);
            shared_->boundTexture = texture;
        }
        setInt(u_.specularAdd, p.specularAdd, !screen && rs(RenderState::SpecularEnable) ? 1 : 0);

        int fogMode = 0;
        if (!screen && rs(RenderState::FogEnable)) {
            std::uint32_t table = rs(RenderState::FogTableMode);
            std::uint32_t mode = table != FOG_NONE ? table : rs(RenderState::FogVertexMode);
            fogMode = mode <= FOG_LINEAR ? static_cast<int>(mode) : 0;
        }
        setInt(u_.fogMode, p.fogMode, fogMode);
        if (fogMode != 0) {
            float fog[3] = {bitsFloat(rs(RenderState::FogStart)), bitsFloat(rs(RenderState::FogEnd)),
                            bitsFloat(rs(RenderState::FogDensity))};
            if (p.fresh || std::memcmp(fog, p.fog, sizeof fog) != 0) {
                std::memcpy(p.fog, fog, sizeof fog);
                glUniform3fv(u_.fog, 1, fog);
            }
            Colour fc = rs(RenderState::FogColor);
            if (p.fresh || fc != p.fogColour) {
                p.fogColour = fc;
                float c[4];
                colourToFloats(fc, c);
                glUniform3fv(u_.fogColour, 1, c);
            }
        }
        int alphaFunc = rs(RenderState::AlphaTestEnable) ? static_cast<int>(rs(RenderState::AlphaFunc)) : 0;
        setInt(u_.alphaFunc, p.alphaFunc, alphaFunc);
        float ref = static_cast<float>(rs(RenderState::AlphaRef) & 0xFF);
        if (alphaFunc != 0 && (p.fresh || ref != p.alphaRef)) {
            p.alphaRef = ref;
            glUniform1f(u_.alphaRef, ref);
        }
        p.fresh = false;
    }

    // Sampler 0 is read at draw time, so state set just before a draw applies to it.
    void applySampling() {
        const auto& s = samplerStates_[0];
        std::uint32_t now[5] = {s[static_cast<int>(SamplerState::AddressU)], s[static_cast<int>(SamplerState::AddressV)],
                                s[static_cast<int>(SamplerState::MagFilter)], s[static_cast<int>(SamplerState::MinFilter)],
                                s[static_cast<int>(SamplerState::BorderColor)]};
        if (!samplerFresh_ && std::memcmp(now, sampling_, sizeof now) == 0) return;
        samplerFresh_ = false;
        std::memcpy(sampling_, now, sizeof now);
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, static_cast<GLint>(addressMode(now[0])));
        glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, static_cast<GLint>(addressMode(now[1])));
        glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, now[2] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, now[3] == TEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        float border[4];
        colourToFloats(now[4], border);
        glSamplerParameterfv(sampler_, GL_TEXTURE_BORDER_COLOR, border);
    }

    void applyFixedState() {
        GlStateCache& g = gl_;
        int depthTest = rs(RenderState::ZEnable) != ZB_FALSE ? 1 : 0;
        if (depthTest && depthClearPending_) clearDepth();
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
        int fill = fillMode == 1 ? 1 : fillMode == 2 ? 2 : 3;
        if (fill != g.fill) {
            g.fill = fill;
            glPolygonMode(GL_FRONT_AND_BACK, fill == 1 ? GL_POINT : fill == 2 ? GL_LINE : GL_FILL);
        }
    }

    // The depth clear the frame asked for. Where a window's format carries stencil anyway, it is cleared
    // too, so that packed depth-stencil words are filled whole rather than masked.
    void clearDepth() {
        depthClearPending_ = false;
        glClearDepth(depthClearValue_);
        if (gl_.depthWrite != 1) {
            glDepthMask(GL_TRUE);
            gl_.depthWrite = 1;
        }
        glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }

    // At most one frame in flight. A swap that waits for the display throttles the loop anyway, but a
    // hidden window, or a surface whose swap does nothing (SDL's offscreen driver), would let a renderer
    // slower than the ticks (a software one) queue frame after frame, each holding its commands and data,
    // until memory runs out. So each present waits for the frame before it to be finished.
    void throttle() {
        if (lastFrame_) {
            glClientWaitSync(lastFrame_, GL_SYNC_FLUSH_COMMANDS_BIT, kFrameWaitNs);
            glDeleteSync(lastFrame_);
        }
        lastFrame_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        glFlush();
    }

    // A frame is being drawn: the back buffer holds it now, not the frame kept at the last present. False
    // when the frame is not to be drawn at all; the back buffer then holds nothing to read.
    bool drawing() {
        keptValid_ = false;
        backDefined_ = drawFrames;
        return drawFrames;
    }

    // Drawing straight into the window saves a full-frame copy per present; that needs the window to show
    // the back buffer pixel for pixel, with a depth buffer as fine as the off-screen one. GL vouches for a
    // window's pixels only while it is shown, so a hidden window's frames are drawn off-screen (they are
    // not copied anywhere then).
    bool drawsDirectly(int drawableWidth, int drawableHeight) const {
        return windowDepthOk_ && drawableWidth == width_ && drawableHeight == height_ && windowShown();
    }

    bool windowShown() const { return !(SDL_GetWindowFlags(window_) & SDL_WINDOW_HIDDEN); }

    bool windowHasDepth() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        GLint type = GL_NONE, bits = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        if (type != GL_NONE)
            glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &bits);
        for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
        }
        return bits >= 24;
    }

    // Binds the window or an off-screen target of the back buffer's size for the frames that follow.
    bool useTarget(bool direct) {
        releaseTarget();
        backDefined_ = false;
        bool ok = direct || createTarget();
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport(0, 0, width_, height_);
        return ok;
    }

    // After a present: a windowed back buffer follows the window's client size, and the target follows
    // whether the window still shows the back buffer unscaled.
    void followWindow() {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (w <= 0 || h <= 0) return;  // minimised: nothing to follow
        bool resized = false;
        if (!fullscreen_ && sizeFollowsWindow_ && (w != width_ || h != height_)) {
            width_ = w;
            height_ = h;
            resized = true;
        }
        bool direct = drawsDirectly(w, h);
        if (resized || direct != (fbo_ == 0)) useTarget(direct);
    }

    // The off-screen back buffer scaled onto the window with its aspect kept; bars stay black.
    void showScaled() {
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (w > 0 && h > 0) {
            int dw = w, dh = h;
            if (static_cast<long long>(w) * height_ > static_cast<long long>(h) * width_) {
                dw = static_cast<int>(static_cast<long long>(h) * width_ / height_);
            } else {
                dh = static_cast<int>(static_cast<long long>(w) * height_ / width_);
            }
            int x0 = (w - dw) / 2, y0 = (h - dh) / 2;
            if (dw != w || dh != h) {
                glClearColor(0, 0, 0, 1);
                glClear(GL_COLOR_BUFFER_BIT);
            }
            if (dw == width_ && dh == height_) {
                glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
                glBlitFramebuffer(0, 0, width_, height_, x0, y0, x0 + dw, y0 + dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
            } else if (prepareScaling()) {
                drawScaled(x0, y0, dw, dh);
            } else {
                glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
                glBlitFramebuffer(0, 0, width_, height_, x0, y0, x0 + dw, y0 + dh, GL_COLOR_BUFFER_BIT, GL_LINEAR);
            }
        }
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glViewport(0, 0, width_, height_);
    }

    // The scaling quad's program, made the first time a frame is scaled; false if it cannot be.
    bool prepareScaling() {
        if (scaleProgram_) return true;
        if (scaleFailed_) return false;
        scaleProgram_ = linkProgram(kScaleVertexShader, kScaleFragmentShader);
        if (!scaleProgram_) {
            scaleFailed_ = true;
            return false;
        }
        glUseProgram(scaleProgram_);
        glUniform1i(glGetUniformLocation(scaleProgram_, "uFrame"), 0);
        glUseProgram(program_);
        glGenVertexArrays(1, &scaleVao_);
        glGenSamplers(1, &scaleSampler_);
        glSamplerParameteri(scaleSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glSamplerParameteri(scaleSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glSamplerParameteri(scaleSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(scaleSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        return true;
    }

    // Draws the frame's texture over the window rectangle with the scaling program, then hands the
    // device's own program, sampler and texture back; fixed state is re-applied at the next draw.
    void drawScaled(int x, int y, int w, int h) {
        glViewport(x, y, w, h);
        glUseProgram(scaleProgram_);
        glBindVertexArray(scaleVao_);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, colourTexture_);
        glBindSampler(0, scaleSampler_);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glBindSampler(0, sampler_);
        glUseProgram(program_);
        shared_->boundTexture = nullptr;
        gl_.depthTest = gl_.blend = gl_.cull = gl_.fill = -1;
    }

    // The target's pixels as ARGB, top row first.
    bool readTarget(std::vector<Colour>& pixels) {
        std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
        rows_.resize(count);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, rows_.data());
        pixels.resize(count);
        // GL's rows run bottom-up; the screen shows no alpha, so the pixels read back opaque.
        for (int y = 0; y < height_; ++y) {
            const Colour* src = rows_.data() + static_cast<std::size_t>(height_ - 1 - y) * width_;
            Colour* dst = pixels.data() + static_cast<std::size_t>(y) * width_;
            for (int x = 0; x < width_; ++x) dst[x] = src[x] | 0xFF000000u;
        }
        return glGetError() == GL_NO_ERROR;
    }

    // The colour is a texture, which the scaling quad samples.
    bool createTarget() {
        glGenFramebuffers(1, &fbo_);
        glGenTextures(1, &colourTexture_);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, colourTexture_);
        shared_->boundTexture = nullptr;
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glGenRenderbuffers(1, &depthBuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_, height_);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture_, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
        return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }

    void releaseTarget() {
        if (fbo_) glDeleteFramebuffers(1, &fbo_);
        if (colourTexture_) glDeleteTextures(1, &colourTexture_);
        if (depthBuffer_) glDeleteRenderbuffers(1, &depthBuffer_);
        fbo_ = colourTexture_ = depthBuffer_ = 0;
    }

    SDL_Window* window_;
    SDL_GLContext context_;
    bool fullscreen_;
    bool sizeFollowsWindow_ = false;
    int width_ = 0;
    int height_ = 0;
    std::shared_ptr<GlShared> shared_;

    GLuint program_ = 0;
    Uniforms u_{};
    GLuint upVao_[4] = {};
    GLuint bufferVao_[4] = {};
    std::uint32_t upStride_[4] = {};
    std::uint32_t bufferStride_[4] = {};
    GLuint streamBuffer_ = 0;
    std::size_t streamCapacity_ = kStreamBytes;
    std::size_t streamOffset_ = 0;
    GLuint sampler_ = 0;
    std::uint32_t sampling_[5] = {};
    bool samplerFresh_ = true;
    bool windowDepthOk_ = false;
    GLuint fbo_ = 0;  // 0: frames are drawn straight into the window
    GLuint colourTexture_ = 0;
    GLuint depthBuffer_ = 0;
    GLuint scaleProgram_ = 0;
    GLuint scaleVao_ = 0;
    GLuint scaleSampler_ = 0;
    bool scaleFailed_ = false;
    bool backDefined_ = false;
    bool depthClearPending_ = false;
    float depthClearValue_ = 1.0f;
    bool keptValid_ = false;
    std::vector<Colour> kept_;  // the frame the last present showed, when asked to keep it
    GLsync lastFrame_ = nullptr;  // fence after the last presented frame
    static constexpr GLuint64 kFrameWaitNs = 2000000000;  // a frame that takes longer is not waited for
    std::vector<Colour> rows_;

    GlStateCache gl_;
    PixelCache pixel_;
    int screenSpace_ = -1, hasColour_ = -1, lighting_ = -1, specularEnable_ = -1;
    Matrix cachedWorld_{}, cachedView_{}, cachedProjection_{};
    std::array<Light, 16> cachedLights_{};
    std::array<bool, 16> cachedLightEnabled_{};
    Material cachedMaterial_{};
    LightCache lightCache_{};
    bool lightsStale_ = true;
    bool firstLit_ = true;
    Colour globalAmbient_ = 0;
};

}  // namespace

void setGlWindowAttributes() {
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

std::unique_ptr<Device> createGlDevice(SDL_Window* window, const PresentConfig& config) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    setGlWindowAttributes();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    if (epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    SDL_GL_SetSwapInterval(1);
    auto device = std::make_unique<GlDevice>(window, context, config);
    if (!device->init()) return nullptr;  // the destructor releases the context
    return device;
}

}  // namespace hc
