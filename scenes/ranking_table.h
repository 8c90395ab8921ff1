#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace hc {

// One ranking entry: five 32-bit values.
struct RankingRecord {
    std::int32_t position = 0;  // 1-based place, also the row it is drawn on
    char name[8] = {};          // up to five characters, zero-filled
    std::int32_t stage = 0;
    std::int32_t score = 0;  // compared as unsigned
};

// The entries of one ranking file, in file order (descending score).
class RankingTable {
public:
    std::vector<RankingRecord> records;

    int count() const { return static_cast<int>(records.size()); }

    // Reads the file; shows the game's message and returns false when it cannot be opened.
    bool read(const std::string& path);
    // Inserts the new entry by score and rewrites the file. The file is replaced only once the new
    // contents are complete on disk, so a failed or interrupted write leaves the old file as it was.
    // On success the table holds the new list; on failure it is unchanged.
    bool insertAndWrite(const RankingRecord& newRecord, const std::string& path);

    void release() { records.clear(); }

    // Test seam: called after the new file is written and flushed, before it replaces the old one.
    static void (*beforeReplace)();
};

}  // namespace hc
