// The shader source of the fixed-function pipeline and of the full-screen scaling pass, and building it.
#include "platform/sdl/gl_shaders.h"

#include <cstdio>

namespace hc::gl {

// The fixed-function pipeline. Lighting runs per vertex in camera space with a local viewer; the stage-0
// combiner, specular add, fog and alpha test run per pixel. The states that choose a path (vertex format,
// lighting, the combiner's operations and arguments, fog mode, alpha test) are constants of each program
// built from this source, so a software rasteriser runs only the path in use instead of branching on
// every vertex and pixel; the values those paths read stay uniforms.
const char* const kVertexShader = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

// Constants of the program: kScreenSpace (1: x, y in back-buffer pixels, z in 0..1, w holds rhw),
// kHasColour, kLighting, kSpecularEnable, and ADD_LIGHTS, one addLight(index, type) for each light on.
uniform vec2 uScreenScale;     // 2 / width, 2 / height of the back buffer
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

const char* const kFragmentShader = R"(
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
const char* const kScaleVertexShader = R"(#version 330 core
out vec2 vTexCoord;
void main() {
    vec2 corner = vec2(gl_VertexID & 1, gl_VertexID >> 1);
    vTexCoord = corner;
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const kScaleFragmentShader = R"(#version 330 core
in vec2 vTexCoord;
uniform sampler2D uFrame;
out vec4 fragColour;
void main() {
    fragColour = vec4(texture(uFrame, vTexCoord).rgb, 1.0);
}
)";

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

}  // namespace hc::gl
