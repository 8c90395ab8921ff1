// Feeds arbitrary bytes to the ranking reader, then inserts an entry and rewrites the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "scenes/ranking_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_ranking_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    hc::RankingTable table;
    if (table.read(path)) {
        hc::RankingRecord added;
        added.name[0] = 'A';
        added.score = 1000;
        table.insertAndWrite(added, path);
    }
    std::remove(path.c_str());
    return 0;
}
