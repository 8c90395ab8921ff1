#include "game/enemy_info.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/services.h"

namespace hc {

namespace {

constexpr std::size_t kMessageBuffer = 256;
constexpr int kFieldCount = 5;

// A value that says it is longer than any line can only come from a broken file; it ends the line.
constexpr std::size_t kLengthCap = kWaveLineBuffer;

class WaveFile {
public:
    std::FILE* handle;
    explicit WaveFile(const std::string& path) : handle(std::fopen(path.c_str(), "rb")) {}
    ~WaveFile() {
        if (handle) std::fclose(handle);
    }
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;
};

bool endsLine(char c) { return c == '\0' || c == '\n' || c == '\r'; }

bool isBlank(const char* line) {
    for (const char* p = line; *p; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') return false;
    return true;
}

// Kind and group are whole numbers: the fraction is cut off, and values beyond the 32-bit range stop
// at its ends instead of wrapping.
std::int32_t wholePart(float value) {
    if (value >= 2147483647.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return static_cast<std::int32_t>(value);
}

// Reads the fields of one line over the values of the line before. The position advances by the
// length that each value claims plus one separator; the line ends after the separator that is its
// line end, or where the claimed length runs past the text.
void readFields(const char* line, float fields[kFieldCount]) {
    const std::size_t length = std::strlen(line);
    std::size_t position = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        if (position >= length || endsLine(line[position])) return;
        fields[f] = waveNumberValue(line + position);
        const std::size_t separator = position + waveNumberLength(fields[f]);
        if (separator >= length || line[separator] == '\n') return;
        position = separator + 1;
    }
}

EnemyBase makeRecord(const float fields[kFieldCount]) {
    EnemyBase record;
    record.transform.position = Vec3{fields[0], fields[1], fields[2]};
    record.kind = wholePart(fields[3]);
    record.spawnGroup = wholePart(fields[4]);
    record.hitPoints = 3;
    record.active = 0;
    record.fadeAlpha = 255;
    record.stateTimer = 0;
    return record;
}

void reportFailure(const std::string& path) {
    char text[kMessageBuffer];
    std::snprintf(text, sizeof text, "エネミー情報の読み込みに失敗しました\nファイル名 \"%s\"", path.c_str());
    showError(text);
}

}  // namespace

float waveNumberValue(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    double value = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        digits = true;
    }
    if (*p == '.') {
        double scale = 0.1;
        for (++p; *p >= '0' && *p <= '9'; ++p) {
            value += (*p - '0') * scale;
            scale *= 0.1;
            digits = true;
        }
    }
    if (!digits) return 0;
    // A line is too short to overflow a double, but not a float.
    value = std::min(value, static_cast<double>(3.4e38f));
    return static_cast<float>(negative ? -value : value);
}

std::size_t waveNumberLength(float value) {
    if (value == 0) return 1;
    if (!std::isfinite(value)) return kLengthCap;
    std::size_t length = 0;
    for (double whole = std::fabs(std::trunc(static_cast<double>(value))); whole >= 1.0 && length < kLengthCap;
         whole /= 10)
        ++length;
    if (value != std::trunc(value)) {
        ++length;  // the decimal point
        // One character per fractional digit, found the way single precision finds them. Every finite
        // float becomes integral after a few dozen steps at most; the cap only guards the count.
        float scaled = value;
        while (scaled != std::trunc(scaled) && length < kLengthCap) {
            scaled *= 10.0f;
            ++length;
        }
    }
    return std::min(length, kLengthCap);
}

bool readEnemyInfo(const std::string& path, std::unique_ptr<EnemyBase[]>& records, std::uint32_t& count) {
    WaveFile file(path);
    if (!file.handle) {
        reportFailure(path);
        return false;
    }
    std::vector<EnemyBase> read;
    float fields[kFieldCount] = {0, 0, 0, 0, 0};
    char line[kWaveLineBuffer];
    while (std::fgets(line, sizeof line, file.handle)) {
        if (isBlank(line)) continue;
        if (read.size() >= kMaxWaveRecords) {
            reportFailure(path);
            return false;
        }
        readFields(line, fields);
        read.push_back(makeRecord(fields));
    }
    // An empty wave could never be filled from; the game would wait on it for ever.
    if (read.empty()) {
        reportFailure(path);
        return false;
    }
    records = std::make_unique<EnemyBase[]>(read.size());
    std::copy(read.begin(), read.end(), records.get());
    count = static_cast<std::uint32_t>(read.size());
    return true;
}

}  // namespace hc
