#include "scenes/ranking_table.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "engine/services.h"

namespace hc {

void (*RankingTable::beforeReplace)() = nullptr;

namespace {

constexpr int kLineBuffer = 128;
constexpr int kNameBytes = 5;

// Applies one character of a ranking line. Numbers accumulate unsigned so that any digit run wraps
// instead of overflowing.
struct LineScanner {
    RankingRecord& record;
    int field = 0;
    std::uint32_t accumulator = 0;
    char name[kNameBytes] = {};
    int nameLength = 0;

    void take(char c) {
        if (c == '-') {
            endField();
            return;
        }
        if (field == 1) {
            if (nameLength < kNameBytes) name[nameLength++] = c;
        } else if (field == 0 || field == 2 || field == 3) {
            accumulator = accumulator * 10u + static_cast<std::uint32_t>(static_cast<unsigned char>(c) - '0');
        }
    }

    void endField() {
        switch (field) {
        case 0: record.position = static_cast<std::int32_t>(accumulator); break;
        case 1:
            std::memset(record.name, 0, sizeof record.name);
            std::memcpy(record.name, name, kNameBytes);
            break;
        case 2: record.stage = static_cast<std::int32_t>(accumulator); break;
        case 3: record.score = static_cast<std::int32_t>(accumulator); break;
        default: break;
        }
        accumulator = 0;
        if (field < 4) ++field;
    }
};

std::vector<RankingRecord> insertByScore(const std::vector<RankingRecord>& old, RankingRecord added) {
    const std::size_t n = old.size();
    std::size_t i = 0;
    while (i < n && static_cast<std::uint32_t>(old[i].score) >= static_cast<std::uint32_t>(added.score)) ++i;
    std::vector<RankingRecord> list(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(i));
    list.reserve(n + 1);
    if (i == n) {
        added.position = static_cast<std::int32_t>(n + 1);
        list.push_back(added);
        return list;
    }
    // Positions stay with their slots; the entry pushed off the end takes the next number.
    added.position = old[i].position;
    list.push_back(added);
    for (std::size_t k = i + 1; k < n; ++k) {
        RankingRecord moved = old[k - 1];
        moved.position = old[k].position;
        list.push_back(moved);
    }
    RankingRecord last = old[n - 1];
    // Positions are read wrapping (any digit run is some 32-bit value), and the next number wraps too.
    last.position = static_cast<std::int32_t>(static_cast<std::uint32_t>(old[n - 1].position) + 1u);
    list.push_back(last);
    return list;
}

bool writeComplete(const std::string& path, const std::vector<RankingRecord>& list) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    bool ok = true;
    for (const RankingRecord& r : list) {
        if (std::fprintf(file, "%d-%.5s-%d-%d-\n", r.position, r.name, r.stage, r.score) < 0) ok = false;
    }
    if (std::fflush(file) != 0) ok = false;
    if (ok && fsync(fileno(file)) != 0) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace

bool RankingTable::read(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        char message[256];
        std::snprintf(message, sizeof message, "ランキング情報の読み込みに失敗しました\nファイル名 \"%s\"", path.c_str());
        showError(message);
        return false;
    }
    std::vector<RankingRecord> list;
    RankingRecord record;  // reused: fields a line leaves open keep the previous line's values
    char line[kLineBuffer];
    while (std::fgets(line, sizeof line, file)) {
        LineScanner scanner{record};
        const std::size_t length = std::strlen(line);
        for (std::size_t i = 0; i < length; ++i) scanner.take(line[i]);
        list.push_back(record);
    }
    std::fclose(file);
    records = std::move(list);
    return true;
}

bool RankingTable::insertAndWrite(const RankingRecord& newRecord, const std::string& path) {
    std::vector<RankingRecord> list = insertByScore(records, newRecord);
    const std::string temporary = path + ".new";
    if (!writeComplete(temporary, list)) {
        std::remove(temporary.c_str());
        return false;
    }
    if (beforeReplace) beforeReplace();
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    records = std::move(list);
    return true;
}

}  // namespace hc
