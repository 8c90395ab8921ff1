// Feeds arbitrary bytes to the game's stage reader as a floor file and then as a wall file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_stage_csv_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    hc::Field field;
    std::vector<hc::FieldChip> list;
    std::int32_t start = -1;
    if (field.readStageCsv(path, 0, &start, list)) {
        if (start >= 0 && static_cast<std::size_t>(start) >= list.size()) __builtin_trap();
        field.readStageCsv(path, 6, nullptr, list);
    }
    std::remove(path.c_str());
    return 0;
}
