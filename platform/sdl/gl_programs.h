#pragma once
// Programs of the fixed-function pipeline: the states each is built for, its key, and the table of programs.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/device_types.h"

namespace hc::gl {

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
    int screenWidth = 0, screenHeight = 0;  // the back buffer the screen-space scale was set for
};

// A stage's operation as the shader tells them apart: 1 (off), 2..11, or 0 for every other value (the
// current colour passes); its arguments as far as the shader reads them (source and the two modifiers).
void stageKey(std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2, std::uint8_t out[3]);

// The program's constants, put between the version line and the shader's source.
std::string programConstants(const ProgramKey& k);

// Programs by their packed key, built the first time their states are drawn with. Entries never move (the
// map's nodes are stable) and are never removed.
class GlPrograms {
public:
    // The program for these states, made current; null if it cannot be built (it is not tried again).
    GlProgram* programFor(const ProgramKey& key);
    // Deletes every program; the context must still be current.
    void release();

    GlProgram* current = nullptr;

private:
    std::unordered_map<PackedKey, GlProgram, PackedKeyHash> programs_;
    PackedKey currentKey_;
};

}  // namespace hc::gl
