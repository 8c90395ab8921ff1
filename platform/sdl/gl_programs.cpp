// Programs of the fixed-function pipeline: the states each is built for, its key, and the table of programs.
#include "platform/sdl/gl_programs.h"

#include <cstdio>

#include "platform/sdl/gl_shaders.h"

namespace hc::gl {

namespace {

void lookUpUniforms(GlProgram& p) {
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

}  // namespace

void stageKey(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2, std::uint8_t out[3]) {
    const std::uint8_t o = op >= 1 && op <= 11 ? static_cast<std::uint8_t>(op) : 0;
    const bool readsArg1 = o >= 2 && o != 3;
    const bool readsArg2 = o >= 3;
    out[0] = o;
    out[1] = readsArg1 ? static_cast<std::uint8_t>(arg1 & 63) : 0;
    out[2] = readsArg2 ? static_cast<std::uint8_t>(arg2 & 63) : 0;
}

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

GlProgram* GlPrograms::programFor(const ProgramKey& key) {
    const PackedKey packed = key.packed();
    if (current && packed == currentKey_) return current;
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
        }
        found = programs_.emplace(packed, program).first;
    }
    if (!found->second.name) return nullptr;
    current = &found->second;
    currentKey_ = packed;
    glUseProgram(current->name);
    return current;
}

void GlPrograms::release() {
    for (auto& entry : programs_)
        if (entry.second.name) glDeleteProgram(entry.second.name);
}

}  // namespace hc::gl
