#include "game/field_info.h"

#include <cstdio>
#include <cstdlib>

#include "engine/services.h"
#include "game/field.h"
#include "game/text_line_reader.h"
#include "game/transform.h"

namespace hc {

namespace {

constexpr int kLineBufferSize = 512;
// Heights beyond this are not stage data; the bound keeps a runaway number from making endless ranges.
constexpr int kNumberLimit = 9999;

bool lineEnd(char c) { return c == '\n' || c == '\0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An optional minus sign and the digits after it, all skipped; 0 when no digit follows.
int readNumber(const char* line, int& i) {
    bool negative = false;
    if (line[i] == '-') {
        negative = true;
        ++i;
    }
    int value = 0;
    while (isDigit(line[i])) {
        value = value * 10 + (line[i] - '0');
        if (value > kNumberLimit) value = kNumberLimit;
        ++i;
    }
    return negative ? -value : value;
}

float tenths() { return static_cast<float>(std::rand() % 4) / 10.0f; }

FieldChip makeChip(char type, char subtype, int x, int height, int z) {
    Transform t;
    t.position = Vec3{static_cast<float>(x), static_cast<float>(height), static_cast<float>(z)};
    if (type == 'C') {
        switch (subtype) {
        case 'a': t.scale = Vec3{1.2f, 1.0f, 1.2f}; break;
        case 'b': t.scale = Vec3{2.0f, 1.75f, 2.0f}; break;
        case 'c': t.scale = Vec3{1.5f, 0.5f, 1.5f}; break;
        case 'd': t.scale = Vec3{2.0f, 1.0f, 2.0f}; break;
        case 'g': t.scale = Vec3{8.0f, 1.01f, 8.0f}; break;
        case 'o': t.scale = Vec3{1.3f, 0.8f + tenths(), 1.3f}; break;
        default: break;
        }
    } else if (type == 'H') {
        switch (subtype) {
        case 'a': t.scale = Vec3{0.5f, 0.5f, 1.0f}; break;
        case 'b': t.scale = Vec3{1.3f, 1.0f, 2.0f}; break;
        case 'c': t.scale = Vec3{1.3f, 1.0f, 1.3f}; break;
        default: break;
        }
    } else if (type == 'O' && subtype == 'a') {
        t.scale.x = 0.7f + tenths();
        t.scale.y = 0.7f + tenths();
        t.scale.z = 0.7f + tenths();
    }
    if (type == 'O') {
        t.rotation.x = static_cast<float>(std::rand() % 45);
        t.rotation.y = static_cast<float>(std::rand() % 360);
        t.rotation.z = static_cast<float>(std::rand() % 45);
    }
    FieldChip chip;
    t.toMatrix(chip.world);
    chip.letter = type;
    return chip;
}

}  // namespace

bool readFieldInfo(const std::string& path, std::vector<FieldChip>& chips, std::uint32_t& count, Vec3* start) {
    TextLineReader reader;
    bool ok = reader.open(path);
    std::vector<FieldChip> made;
    Vec3 startFound;
    bool hasStart = false;
    char subtype = '0';
    char line[kLineBufferSize];
    int z = 0;
    while (ok && reader.readLine(line, sizeof line)) {
        int x = 0;
        int i = 0;
        while (ok && !lineEnd(line[i])) {
            if (line[i] == ',') {
                ++x;
                ++i;
                continue;
            }
            const char type = line[i++];
            while (!lineEnd(line[i]) && !isDigit(line[i]) && line[i] != '-') subtype = line[i++];
            if (lineEnd(line[i])) break;  // a cell without a number makes nothing
            int low = readNumber(line, i);
            int high = low + 1;
            if (line[i] == '/') {
                ++i;
                high = readNumber(line, i);
            }
            for (int h = low; h < high; ++h) {
                if (made.size() >= Field::kMaxChipsPerFile) {
                    ok = false;
                    break;
                }
                made.push_back(makeChip(type, subtype, x, h, z));
                if (type == 'P') {
                    startFound = Vec3{static_cast<float>(x), static_cast<float>(h), static_cast<float>(z)};
                    hasStart = true;
                }
            }
        }
        ++z;
    }
    if (!ok) {
        char text[256];
        std::snprintf(text, sizeof text, "フィールド情報の読み込みに失敗しました\nファイル名 \"%s\"", path.c_str());
        showError(text);
        return false;
    }
    count = static_cast<std::uint32_t>(made.size());
    chips = std::move(made);
    if (start && hasStart) *start = startFound;
    return true;
}

}  // namespace hc
