#include "game/light_settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/services.h"

namespace hc {

LightRecord* LightSettings::table = nullptr;
int LightSettings::lastDimmedStage = 0;

namespace {

constexpr int kNumbersPerLight = 12;
constexpr int kMaxNumbers = LightSettings::kLightCount * kNumbersPerLight;
constexpr int kLineSize = 128;
constexpr int kNameBytes = 7;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kDimStep = 0.005f;
constexpr int kLastDimmedStage = 70;

// What the file gave: numbers in file order and the names of the "//" comments, both bounded by the
// six lights of the table; anything beyond is read and dropped.
struct ParsedLights {
    float numbers[kMaxNumbers] = {};
    int numberCount = 0;
    char names[LightSettings::kLightCount][8] = {};
    int nameCount = 0;
};

bool isLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }
bool isBrace(char c) { return c == '{' || c == '}'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads one number starting at line[i]: digits with at most one '.', ended by ',' (consumed), a line
// break, a brace or the end of the buffer. Blanks may trail the digits. A number holding any other
// character is kept as 0, so that the numbers after it stay in their groups of twelve; a run without
// any digit is no number at all.
int scanNumber(const char* line, int i, ParsedLights& parsed) {
    float value = 0.0f;
    int digits = 0, fractionDigits = 0;
    bool seenPoint = false, trailing = false, malformed = false;
    for (;;) {
        char c = line[i];
        if (c == ',') {
            ++i;
            break;
        }
        if (isLineEnd(c) || isBrace(c)) break;
        if (isDigit(c) && !trailing) {
            value = value * 10.0f + static_cast<float>(c - '0');
            ++digits;
            if (seenPoint) ++fractionDigits;
        } else if (c == '.' && !seenPoint && !trailing) {
            seenPoint = true;
        } else if (isBlank(c)) {
            trailing = true;
        } else {
            malformed = true;
        }
        ++i;
    }
    if (digits == 0) return i;
    for (int k = 0; k < fractionDigits; ++k) value /= 10.0f;
    if (malformed || !std::isfinite(value)) value = 0.0f;
    if (parsed.numberCount < kMaxNumbers) parsed.numbers[parsed.numberCount++] = value;
    return i;
}

void scanLine(const char* line, ParsedLights& parsed) {
    int i = 0;
    while (!isLineEnd(line[i]) && !isBrace(line[i])) {
        char c = line[i];
        if (c == ',' || c == '.' || isBlank(c)) {
            ++i;
        } else if (c == '/' && line[i + 1] == '/') {
            // The seven bytes after the slashes name the next light (a six-letter name and its line
            // break); a shorter rest of the line gives a shorter name.
            if (parsed.nameCount < LightSettings::kLightCount) {
                char* name = parsed.names[parsed.nameCount];
                for (int k = 0; k < kNameBytes && line[i + 2 + k] != '\0'; ++k) name[k] = line[i + 2 + k];
            }
            ++parsed.nameCount;
            return;
        } else {
            i = scanNumber(line, i, parsed);
        }
    }
}

ColourValue colour(const float* rgb) { return {rgb[0], rgb[1], rgb[2], 1.0f}; }

void setUpLight(int k, ColourValue diffuse, ColourValue ambient, ColourValue specular, Vec3 rotation,
                const char* name) {
    LightRecord& record = LightSettings::table[k];
    record = LightRecord{};
    record.light.type = LightType::Directional;
    record.light.diffuse = diffuse;
    record.light.ambient = ambient;
    record.light.specular = specular;
    record.rotation = rotation;
    record.enabled = 1;
    std::memcpy(record.name, name, sizeof record.name - 1);

    // Each new rotation is multiplied on the left: Rz * Ry * Rx. The direction is left unnormalised.
    Matrix m = matrixRotationX(rotation.x * kDegreesToRadians);
    m = matrixMultiply(matrixRotationY(rotation.y * kDegreesToRadians), m);
    m = matrixMultiply(matrixRotationZ(rotation.z * kDegreesToRadians), m);
    record.light.direction = vec3TransformNormal({1, 1, 1}, m);

    if (gDevice) {
        gDevice->setLight(static_cast<std::uint32_t>(k), record.light);
        gDevice->lightEnable(static_cast<std::uint32_t>(k), true);
    }
}

void setUpDefaults() {
    static const char* const kNames[LightSettings::kLightCount] = {"light1", "light2", "light3",
                                                                   "light4", "light5", "light6"};
    for (int k = 0; k < LightSettings::kLightCount; ++k) {
        float level = k == 1 ? 0.2f : 0.35f;
        char name[8] = {};
        std::strncpy(name, kNames[k], sizeof name - 1);
        setUpLight(k, {level, level, level, 1.0f}, {1, 1, 1, 1.0f}, {1, 1, 1, 1.0f}, {0, 0, 0}, name);
    }
}

}  // namespace

void LightSettings::load(const std::string& path) {
    delete[] table;
    table = new (std::nothrow) LightRecord[kLightCount]();
    if (!table) return;

    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        setUpDefaults();
        return;
    }
    ParsedLights parsed;
    char line[kLineSize];
    while (std::fgets(line, sizeof line, file)) scanLine(line, parsed);
    std::fclose(file);

    int lights = (parsed.numberCount + kNumbersPerLight - 1) / kNumbersPerLight;
    for (int k = 0; k < lights; ++k) {
        const float* n = parsed.numbers + k * kNumbersPerLight;
        setUpLight(k, colour(n), colour(n + 3), colour(n + 6), {n[9], n[10], n[11]}, parsed.names[k]);
    }
}

void LightSettings::dimForStage(int stage) {
    if (stage == lastDimmedStage || stage >= kLastDimmedStage) return;
    lastDimmedStage = stage;
    if (!table) return;
    for (int k = 0; k < kLightCount; ++k) {
        ColourValue& diffuse = table[k].light.diffuse;
        diffuse.r -= kDimStep;
        diffuse.g -= kDimStep;
        diffuse.b -= kDimStep;
        if (gDevice) gDevice->setLight(static_cast<std::uint32_t>(k), table[k].light);
    }
}

void LightSettings::release() {
    delete[] table;
    table = nullptr;
}

}  // namespace hc
