#include "platform/sdl/gl_device.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

namespace hc {

namespace {

// The fixed-function pipeline. Lighting runs per vertex in camera space with a local viewer; the stage-0
// combiner, specular add, fog and alpha test run per pixel. The states that choose a path (vertex format,
// lighting, the combiner's operations and arguments, fog mode, alpha test) are constants of each program
// built from this source, so a software rasteriser runs only the path in use instead of branching on
// every vertex and pixel; the values those paths read stay uniforms.
const char* kVertexShader = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

// Constants of the program: kScreenSpace (1: x, y in 1280x720 pixels, z in 0..1, w holds rhw),
// kHasColour, kLighting, kSpecularEnable, and ADD_LIGHTS, one addLight(index, type) for each light on.
uniform vec2 uScreenScale;     // 2 / 1280, 2 / 720
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;    // inverse transpose of the world-view 3x3; normals are not renormalised
uniform vec4 uLightDiffuse[16];
uniform vec4 uLightSpecular[16];
uniform vec4 uLightAmbient[16];
uniform vec4 uLightPosition[16];   // camera space
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

// The lit vertex in camera space, and what its lights add up to.
vec3 P;
vec3 N;
vec3 V;
vec3 ambientSum;
vec3 diffuseSum;
vec3 specularSum;

// Light i of the given type: 3 directional, 2 spot, 1 point.
void addLight(int i, int type) {
    vec3 L;
    float scale = 1.0;
    if (type == 3) {
        L = -uLightDirection[i].xyz;
    } else {
        vec3 toLight = uLightPosition[i].xyz - P;
        float d = length(toLight);
        if (d > uLightAttenuation[i].w) return;
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
        if (kSpecularEnable != 0) {
            float NdotH = dot(N, normalize(V + L));
            if (NdotH > 0.0) specularSum += uLightSpecular[i].rgb * (pow(NdotH, uMaterialPower) * scale);
        }
    }
}

void main() {
    vTexCoord = aTexCoord;
    vec4 vertexColour = kHasColour != 0 ? aColour : vec4(1.0);
    if (kScreenSpace != 0) {
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
    if (kLighting == 0) {
        vDiffuse = vertexColour;
        vSpecular = vec3(0.0);
        return;
    }
    vec4 materialDiffuse = kHasColour != 0 ? aColour : uMaterialDiffuse;
    P = eye.xyz;
    N = uNormalMatrix * aNormal;
    V = length(P) > 0.0 ? -normalize(P) : vec3(0.0, 0.0, -1.0);
    ambientSum = vec3(0.0);
    diffuseSum = vec3(0.0);
    specularSum = vec3(0.0);
    ADD_LIGHTS
    vec3 colour = uMaterialEmissive.rgb + uMaterialAmbient.rgb * (uGlobalAmbient.rgb + ambientSum)
                + materialDiffuse.rgb * diffuseSum;
    vDiffuse = clamp(vec4(colour, materialDiffuse.a), 0.0, 1.0);
    vSpecular = clamp(uMaterialSpecular.rgb * specularSum, 0.0, 1.0);
}
)";

const char* kFragmentShader = R"(
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;
in float vEyeDepth;

// Constants of the program: kHasTexture, kColourStage and kAlphaStage (op, arg1, arg2), kSpecularAdd,
// kFogMode (0 none, 1 exp, 2 exp2, 3 linear), kAlphaFunc (0: test off, else the comparison).
uniform sampler2D uTexture;
uniform vec4 uTextureFactor;
uniform vec3 uFog;           // start, end, density
uniform vec3 uFogColour;
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
    vec4 texel = kHasTexture != 0 ? texture(uTexture, vTexCoord) : vec4(1.0);
    vec4 colour = vDiffuse;
    if (kColourStage.x != 1) {
        colour.rgb = combine(kColourStage.x, argument(kColourStage.y, vDiffuse, texel),
                             argument(kColourStage.z, vDiffuse, texel), vDiffuse).rgb;
    }
    if (kAlphaStage.x != 1 && kColourStage.x != 1) {
        colour.a = combine(kAlphaStage.x, argument(kAlphaStage.y, vDiffuse, texel),
                           argument(kAlphaStage.z, vDiffuse, texel), vDiffuse).a;
    }
    colour = clamp(colour, 0.0, 1.0);
    if (kSpecularAdd != 0) colour.rgb = min(colour.rgb + vSpecular, vec3(1.0));
    if (kFogMode != 0) {
        float d = vEyeDepth;
        float f;
        if (kFogMode == 3) f = uFog.y != uFog.x ? (uFog.y - d) / (uFog.y - uFog.x) : (d < uFog.y ? 1.0 : 0.0);
        else if (kFogMode == 1) f = exp(-uFog.z * d);
        else f = exp(-(uFog.z * d) * (uFog.z * d));
        colour.rgb = mix(uFogColour, colour.rgb, clamp(f, 0.0, 1.0));
    }
    if (kAlphaFunc != 0 && !passes(kAlphaFunc, floor(colour.a * 255.0 + 0.5), uAlphaRef)) discard;
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
    GLint screenScale, worldView, projection, normalMatrix;
    GLint lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection, lightAttenuation,
        lightSpot;
    GLint materialDiffuse, materialAmbient, materialSpecular, materialEmissive, materialPower, globalAmbient;
    GLint texture, textureFactor, fog, fogColour, alphaRef;
};

// A program key in two words, for the table of programs.
struct PackedKey {
    std::uint64_t states = 0;
    std::uint64_t lights = 0;
    bool operator==(const PackedKey& o) const { return states == o.states && lights == o.lights; }
};

struct PackedKeyHash {
    std::size_t operator()(const PackedKey& k) const {
        return std::hash<std::uint64_t>()(k.states ^ (k.lights * 0x9E3779B97F4A7C15ull));
    }
};

// The states a program is built for. Values that cannot change what is drawn are left at 0, so that
// states differing only in them share a program: the arguments an operation does not read, the alpha
// stage while the colour stage is off, specular and lights without lighting, alpha comparisons that
// always pass. Lights are listed as the device packs them, enabled ones in index order, by type.
struct ProgramKey {
    std::uint8_t screenSpace = 0, hasColour = 0, lighting = 0, specular = 0;
    std::uint8_t hasTexture = 0, fogMode = 0, alphaFunc = 0;
    std::uint8_t colourStage[3] = {}, alphaStage[3] = {};
    std::uint8_t lightCount = 0;
    std::uint8_t lightType[16] = {};  // 1 point (and any unknown type), 2 spot, 3 directional

    PackedKey packed() const {
        PackedKey k;
        auto put = [](std::uint64_t& word, std::uint32_t value, int bits) { word = (word << bits) | value; };
        put(k.states, screenSpace, 1);
        put(k.states, hasColour, 1);
        put(k.states, lighting, 1);
        put(k.states, specular, 1);
        put(k.states, hasTexture, 1);
        put(k.states, fogMode, 2);
        put(k.states, alphaFunc, 3);
        for (std::uint8_t v : colourStage) put(k.states, v, 6);
        for (std::uint8_t v : alphaStage) put(k.states, v, 6);
        put(k.lights, lightCount, 5);
        for (std::uint8_t t : lightType) put(k.lights, t, 2);
        return k;
    }
};

// A stage's operation as the shader tells them apart: 1 (off), 2..11, or 0 for every other value (the
// current colour passes); its arguments as far as the shader reads them (source and the two modifiers).
void stageKey(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2, std::uint8_t out[3]) {
    const std::uint8_t o = op >= 1 && op <= 11 ? static_cast<std::uint8_t>(op) : 0;
    const bool readsArg1 = o >= 2 && o != 3;
    const bool readsArg2 = o >= 3;
    out[0] = o;
    out[1] = readsArg1 ? static_cast<std::uint8_t>(arg1 & 63) : 0;
    out[2] = readsArg2 ? static_cast<std::uint8_t>(arg2 & 63) : 0;
}

// The program's constants, put between the version line and the shader's source.
std::string programConstants(const ProgramKey& k) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "#version 330 core\n"
                  "const int kScreenSpace = %d;\nconst int kHasColour = %d;\nconst int kLighting = %d;\n"
                  "const int kSpecularEnable = %d;\nconst int kHasTexture = %d;\n"
                  "const ivec3 kColourStage = ivec3(%d, %d, %d);\nconst ivec3 kAlphaStage = ivec3(%d, %d, %d);\n"
                  "const int kSpecularAdd = %d;\nconst int kFogMode = %d;\nconst int kAlphaFunc = %d;\n",
                  k.screenSpace, k.hasColour, k.lighting, k.specular, k.hasTexture, k.colourStage[0],
                  k.colourStage[1], k.colourStage[2], k.alphaStage[0], k.alphaStage[1], k.alphaStage[2], k.specular,
                  k.fogMode, k.alphaFunc);
    std::string constants = text;
    constants += "#define ADD_LIGHTS";
    for (int i = 0; i < k.lightCount; ++i)
        constants += " addLight(" + std::to_string(i) + ", " + std::to_string(k.lightType[i]) + ");";
    return constants + "\n";
}

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

// One program and the values last handed to its uniforms; a draw uploads only what differs. GL starts
// a program's uniforms at zero, as these copies start.
struct GlProgram {
    GLuint name = 0;
    Uniforms u{};
    Matrix world{}, view{}, projection{};
    std::array<Light, 16> lights{};
    std::array<bool, 16> lightEnabled{};
    Matrix lightsView{};  // lights are uploaded in camera space
    bool lightsFresh = true;
    Material material{};
    Colour globalAmbient = 0;
    bool ambientFresh = true;
    Colour textureFactor = 0;
    float fog[3] = {};
    Colour fogColour = 0;
    float alphaRef = 0;
    bool pixelFresh = true;
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
        for (auto& entry : programs_)
            if (entry.second.name) glDeleteProgram(entry.second.name);
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
        // The program of untextured sprites proves that the shaders build here; the others are built
        // when a draw first needs them.
        if (!programFor(keyFor(static_cast<int>(VertexFormat::ScreenColourTex)))) return false;

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
        if (!applyState(format)) return;
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
        if (!applyState(format)) return;
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

    static void lookUpUniforms(GlProgram& p) {
        auto loc = [&p](const char* name) { return glGetUniformLocation(p.name, name); };
        Uniforms& u = p.u;
        u.screenScale = loc("uScreenScale");
        u.worldView = loc("uWorldView");
        u.projection = loc("uProjection");
        u.normalMatrix = loc("uNormalMatrix");
        u.lightDiffuse = loc("uLightDiffuse");
        u.lightSpecular = loc("uLightSpecular");
        u.lightAmbient = loc("uLightAmbient");
        u.lightPosition = loc("uLightPosition");
        u.lightDirection = loc("uLightDirection");
        u.lightAttenuation = loc("uLightAttenuation");
        u.lightSpot = loc("uLightSpot");
        u.materialDiffuse = loc("uMaterialDiffuse");
        u.materialAmbient = loc("uMaterialAmbient");
        u.materialSpecular = loc("uMaterialSpecular");
        u.materialEmissive = loc("uMaterialEmissive");
        u.materialPower = loc("uMaterialPower");
        u.globalAmbient = loc("uGlobalAmbient");
        u.texture = loc("uTexture");
        u.textureFactor = loc("uTextureFactor");
        u.fog = loc("uFog");
        u.fogColour = loc("uFogColour");
        u.alphaRef = loc("uAlphaRef");
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

    // The state a draw in this vertex format needs a program for.
    ProgramKey keyFor(int format) const {
        ProgramKey k;
        k.screenSpace = format == static_cast<int>(VertexFormat::ScreenColourTex) ? 1 : 0;
        k.hasColour = format != static_cast<int>(VertexFormat::PositionNormalTex) ? 1 : 0;
        k.lighting = !k.screenSpace && rs(RenderState::Lighting) != 0 ? 1 : 0;
        k.specular = k.lighting && rs(RenderState::SpecularEnable) != 0 ? 1 : 0;
        if (k.lighting) {
            for (int i = 0; i < 16; ++i) {
                if (!lightEnabled_[i]) continue;
                const LightType type = lights_[i].type;
                k.lightType[k.lightCount++] =
                    type == LightType::Directional ? 3 : type == LightType::Spot ? 2 : 1;
            }
        }
        k.hasTexture = dynamic_cast<GlTexture*>(textures_[0]) ? 1 : 0;
        const auto& stage = stageStates_[0];
        auto at = [&stage](TextureStageState t) { return stage[static_cast<int>(t)]; };
        stageKey(at(TextureStageState::ColorOp), at(TextureStageState::ColorArg1), at(TextureStageState::ColorArg2),
                 k.colourStage);
        if (k.colourStage[0] != 1)
            stageKey(at(TextureStageState::AlphaOp), at(TextureStageState::AlphaArg1),
                     at(TextureStageState::AlphaArg2), k.alphaStage);
        if (!k.screenSpace && rs(RenderState::FogEnable)) {
            std::uint32_t table = rs(RenderState::FogTableMode);
            std::uint32_t mode = table != FOG_NONE ? table : rs(RenderState::FogVertexMode);
            k.fogMode = mode <= FOG_LINEAR ? static_cast<std::uint8_t>(mode) : 0;
        }
        const std::uint32_t func = rs(RenderState::AlphaTestEnable) ? rs(RenderState::AlphaFunc) : 0;
        k.alphaFunc = func >= CMP_NEVER && func < CMP_ALWAYS ? static_cast<std::uint8_t>(func) : 0;
        return k;
    }

    // The program for these states, built the first time they are drawn with; null if it cannot be built
    // (it is not tried again).
    GlProgram* programFor(const ProgramKey& key) {
        const PackedKey packed = key.packed();
        if (current_ && packed == currentKey_) return current_;
        auto found = programs_.find(packed);
        if (found == programs_.end()) {
            const std::string constants = programConstants(key);
            const std::string vertex = constants + kVertexShader;
            const std::string fragment = constants + kFragmentShader;
            GlProgram program;
            program.name = linkProgram(vertex.c_str(), fragment.c_str());
            if (program.name) {
                lookUpUniforms(program);
                glUseProgram(program.name);
                glUniform1i(program.u.texture, 0);
                glUniform2f(program.u.screenScale, 2.0f / kScreenWidth, 2.0f / kScreenHeight);
            }
            found = programs_.emplace(packed, program).first;
        }
        if (!found->second.name) return nullptr;
        current_ = &found->second;
        currentKey_ = packed;
        glUseProgram(current_->name);
        return current_;
    }

    // False when no program can draw with the state in force.
    bool applyState(int format) {
        const ProgramKey key = keyFor(format);
        GlProgram* program = programFor(key);
        if (!program) return false;
        GlProgram& p = *program;

        bool worldViewChanged = changed(p.world, world_);
        worldViewChanged = changed(p.view, view_) || worldViewChanged;
        if (worldViewChanged) {
            Matrix wv = multiply(world_, view_);
            glUniformMatrix4fv(p.u.worldView, 1, GL_FALSE, &wv.m[0][0]);
            float n[9];
            normalMatrix(wv, n);
            glUniformMatrix3fv(p.u.normalMatrix, 1, GL_FALSE, n);
        }
        if (changed(p.projection, projection_)) glUniformMatrix4fv(p.u.projection, 1, GL_FALSE, &projection_.m[0][0]);

        if (key.lighting) {
            bool lightsChanged = changed(p.lights, lights_);
            lightsChanged = changed(p.lightEnabled, lightEnabled_) || lightsChanged;
            lightsChanged = changed(p.lightsView, view_) || lightsChanged;
            if (lightsChanged || p.lightsFresh) uploadLights(p);
            if (changed(p.material, material_)) {
                glUniform4fv(p.u.materialDiffuse, 1, &material_.diffuse.r);
                glUniform4fv(p.u.materialAmbient, 1, &material_.ambient.r);
                glUniform4fv(p.u.materialSpecular, 1, &material_.specular.r);
                glUniform4fv(p.u.materialEmissive, 1, &material_.emissive.r);
                glUniform1f(p.u.materialPower, material_.power);
            }
            Colour ambient = rs(RenderState::Ambient);
            if (ambient != p.globalAmbient || p.ambientFresh) {
                p.globalAmbient = ambient;
                p.ambientFresh = false;
                float c[4];
                colourToFloats(ambient, c);
                glUniform4fv(p.u.globalAmbient, 1, c);
            }
        }

        applyPixelState(p, key);
        applySampling();
        applyFixedState();
        return true;
    }

    void uploadLights(GlProgram& program) {
        program.lightsFresh = false;
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
        if (c.count == 0) return;
        glUniform4fv(program.u.lightDiffuse, c.count, c.diffuse[0]);
        glUniform4fv(program.u.lightSpecular, c.count, c.specular[0]);
        glUniform4fv(program.u.lightAmbient, c.count, c.ambient[0]);
        glUniform4fv(program.u.lightPosition, c.count, c.position[0]);
        glUniform4fv(program.u.lightDirection, c.count, c.direction[0]);
        glUniform4fv(program.u.lightAttenuation, c.count, c.attenuation[0]);
        glUniform4fv(program.u.lightSpot, c.count, c.spot[0]);
    }

    void applyPixelState(GlProgram& p, const ProgramKey& key) {
        const bool fresh = p.pixelFresh;
        p.pixelFresh = false;
        Colour factor = rs(RenderState::TextureFactor);
        if (fresh || factor != p.textureFactor) {
            p.textureFactor = factor;
            float c[4];
            colourToFloats(factor, c);
            glUniform4fv(p.u.textureFactor, 1, c);
        }

        auto* texture = dynamic_cast<GlTexture*>(textures_[0]);
        if (texture && shared_->boundTexture != texture) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, texture->name);
            shared_->boundTexture = texture;
        }

        if (key.fogMode != 0) {
            float fog[3] = {bitsFloat(rs(RenderState::FogStart)), bitsFloat(rs(RenderState::FogEnd)),
                            bitsFloat(rs(RenderState::FogDensity))};
            if (fresh || std::memcmp(fog, p.fog, sizeof fog) != 0) {
                std::memcpy(p.fog, fog, sizeof fog);
                glUniform3fv(p.u.fog, 1, fog);
            }
            Colour fc = rs(RenderState::FogColor);
            if (fresh || fc != p.fogColour) {
                p.fogColour = fc;
                float c[4];
                colourToFloats(fc, c);
                glUniform3fv(p.u.fogColour, 1, c);
            }
        }
        float ref = static_cast<float>(rs(RenderState::AlphaRef) & 0xFF);
        if (key.alphaFunc != 0 && (fresh || ref != p.alphaRef)) {
            p.alphaRef = ref;
            glUniform1f(p.u.alphaRef, ref);
        }
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
        glUseProgram(current_ ? current_->name : 0);
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
        glUseProgram(current_ ? current_->name : 0);
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

    // Programs by their packed key. Entries never move (the map's nodes are stable) and are never removed.
    std::unordered_map<PackedKey, GlProgram, PackedKeyHash> programs_;
    GlProgram* current_ = nullptr;
    PackedKey currentKey_;
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
    LightCache lightCache_{};
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
