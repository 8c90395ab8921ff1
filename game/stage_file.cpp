// The game's reader of the stage files and the stage order. The backdrop reads the same stage files
// through readFieldInfo (field_info.cpp) with rules of its own (numbers of any length, one chip per
// height, no lift): the title's and ranking's stage is meant to look different from the one
// played, so the two readers stay apart.
#include <cstdlib>

#include "engine/services.h"
#include "game/field.h"
#include "game/text_line_reader.h"
#include "game/transform.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

const char* const kOrderPath = "Resource_Blade/CSV/field_order.csv";
const char* const kCsvError = "CSVファイルの読み込みに失敗しました";

bool lineEnd(char c) { return c == '\n' || c == '\0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number of one or two digits starting at line[i], which is a digit. Stage numbers never have more;
// a third digit is read as a number of its own.
int twoDigitNumber(const char* line, int i) {
    int value = line[i] - '0';
    if (isDigit(line[i + 1])) value = value * 10 + (line[i + 1] - '0');
    return value;
}

// Moves at most count characters on from i without passing the end of the line.
int skipWithinLine(const char* line, int i, int count) {
    while (count > 0 && !lineEnd(line[i])) {
        ++i;
        --count;
    }
    return i;
}
float tenths(int r) { return static_cast<float>(r % 4) / 10.0f; }

// The state of the stage reader, carried across cells and lines of one file.
struct StageCursor {
    int x = 0;
    int z = 0;
    char letter = 0;
    float lift = 0.5f;
    Matrix scaling = Matrix::identity();
    Matrix rotation = Matrix::identity();
    Matrix chip = Matrix::identity();
    int last = 0;
    float lastF = 0;
    std::size_t made = 0;
    bool overflow = false;
};

// Appends one chip at height h with the cursor's matrix, letter and lift.
void emitChip(StageCursor& s, float h, std::vector<FieldChip>& list) {
    if (s.made >= Field::kMaxChipsPerFile) {
        s.overflow = true;
        return;
    }
    if (s.letter == 'O') {
        int pitch = std::rand() % 45;
        int yaw = std::rand() % 360;
        int roll = std::rand() % 45;
        s.rotation = matrixRotationYawPitchRoll(static_cast<float>(yaw) * kDegreesToRadians,
                                                static_cast<float>(pitch) * kDegreesToRadians,
                                                static_cast<float>(roll) * kDegreesToRadians);
        s.chip = matrixMultiply(s.rotation, s.scaling);
    }
    s.chip.m[3][0] = static_cast<float>(s.x);
    s.chip.m[3][1] = h - s.lift;
    s.chip.m[3][2] = static_cast<float>(s.z);
    FieldChip c;
    c.world = s.chip;
    c.letter = s.letter;
    list.push_back(c);
    ++s.made;
}

// A range from the cursor's last number to the bound written after the '/' at slash. Returns where
// reading goes on: past one character of the bound, or two when either bound has two digits.
int readRange(StageCursor& s, const char* line, int slash, std::vector<FieldChip>& list) {
    int i = slash + 1;
    bool negative = false;
    if (line[i] == '-') {
        negative = true;
        ++i;
    }
    int upper = isDigit(line[i]) ? twoDigitNumber(line, i) : 0;
    if (negative) upper = -upper;
    for (int h = s.last; h <= upper && !s.overflow; ++h) emitChip(s, static_cast<float>(h), list);
    s.lastF = static_cast<float>(upper);
    int width = (std::abs(upper) >= 10 || std::abs(s.last) >= 10) ? 2 : 1;
    return skipWithinLine(line, i, width);
}
}  // namespace

bool Field::readStageCsv(const std::string& path, std::int32_t slot, std::int32_t* startIndex,
                         std::vector<FieldChip>& list) {
    TextLineReader reader;
    if (slot < 0 || slot >= kSlotCount || !reader.open(path)) {
        showError(kCsvError);
        return false;
    }
    StageCursor s;
    char line[kLineBufferSize];
    while (reader.readLine(line, sizeof line) && !s.overflow) {
        s.x = 0;
        int i = 0;
        while (!lineEnd(line[i]) && !s.overflow) {
            char c = line[i];
            if (isDigit(c)) {
                int h = twoDigitNumber(line, i);
                s.last = h;
                s.lastF = static_cast<float>(h);
                emitChip(s, static_cast<float>(h), list);
                i += h >= 10 ? 2 : 1;
            } else if (c == ',') {
                ++s.x;
                s.scaling = s.rotation = s.chip = Matrix::identity();
                ++i;
            } else if (c == '/') {
                i = readRange(s, line, i, list);
            } else if (c == '-') {
                if (!isDigit(line[i + 1])) {
                    ++i;
                    continue;
                }
                int n = twoDigitNumber(line, i + 1);
                s.last = -n;
                int after = i + 1 + (n >= 10 ? 2 : 1);
                if (line[after] == '/') {
                    i = readRange(s, line, after, list);
                } else {
                    emitChip(s, static_cast<float>(s.last), list);
                    i = after;
                }
            } else {
                s.letter = c;
                char next = line[i + 1];
                if (c == 'P') {
                    startPosition[slot] = Vec3{static_cast<float>(s.x), s.lastF, static_cast<float>(s.z)};
                    emitChip(s, s.lastF, list);
                    if (startIndex && !s.overflow) *startIndex = static_cast<std::int32_t>(list.size()) - 1;
                } else if (c == 'C') {
                    s.lift = 0.0f;
                    bool sized = true;
                    switch (next) {
                    case 'a': s.scaling = matrixScaling(1.2f, 1.0f, 1.2f); break;
                    case 'b': s.scaling = matrixScaling(2.0f, 1.75f, 2.0f); break;
                    case 'c': s.scaling = matrixScaling(1.5f, 0.5f, 1.5f); break;
                    case 'd': s.scaling = matrixScaling(2.0f, 1.0f, 2.0f); break;
                    case 'o': s.scaling = matrixScaling(1.3f, 0.8f + tenths(std::rand()), 1.3f); break;
                    default:
                        s.scaling = Matrix::identity();
                        sized = false;
                        break;
                    }
                    if (sized) ++i;
                    s.chip = matrixMultiply(s.rotation, s.scaling);
                } else {
                    s.lift = 0.5f;
                    if (c == 'H') {
                        bool sized = true;
                        switch (next) {
                        case 'a': s.scaling = matrixScaling(0.5f, 0.5f, 1.0f); break;
                        case 'b': s.scaling = matrixScaling(1.3f, 1.0f, 2.0f); break;
                        case 'c': s.scaling = matrixScaling(1.3f, 1.0f, 1.3f); break;
                        case 'd': s.scaling = matrixScaling(1.0f, 1.0f, 1.0f); break;
                        default:
                            s.scaling = Matrix::identity();
                            sized = false;
                            break;
                        }
                        if (sized) ++i;
                        s.chip = matrixMultiply(s.rotation, s.scaling);
                    } else if (c == 'O') {
                        if (next == 'a') {
                            float size = 0.7f + tenths(std::rand());
                            s.scaling = matrixScaling(size, size, size);
                            ++i;
                        }
                        s.chip = matrixMultiply(s.rotation, s.scaling);
                    } else {
                        s.scaling = s.rotation = s.chip = Matrix::identity();
                    }
                }
                ++i;
            }
        }
        ++s.z;
    }
    if (s.overflow) {
        showError(kCsvError);
        return false;
    }
    return true;
}

bool Field::readStageOrder() { return readStageOrderFile(kOrderPath); }

bool Field::readStageOrderFile(const std::string& path) {
    TextLineReader reader;
    if (!reader.open(path)) {
        showError(kCsvError);
        return false;
    }
    std::vector<std::int32_t> order;
    char line[kLineBufferSize];
    while (order.size() < kMaxStageOrder && reader.readLine(line, sizeof line)) {
        for (int i = 0; !lineEnd(line[i]) && order.size() < kMaxStageOrder; ++i) {
            char c = line[i];
            std::int32_t slot = 0;
            if (c >= '1' && c <= '5') {
                slot = c - '0';
            } else if (c == 'l') {
                slot = 6;
            } else if (c == 'r') {
                slot = std::rand() % 2;
            }
            order.push_back(slot);
        }
    }
    // Stage 1 and the stage after it are taken when the run starts.
    if (order.size() < 2) {
        showError(kCsvError);
        return false;
    }
    stageOrder = std::move(order);
    return true;
}

}  // namespace hc
