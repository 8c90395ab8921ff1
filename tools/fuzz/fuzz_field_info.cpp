// Feeds arbitrary bytes to the backdrop's stage reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/field_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_field_info_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::vector<hc::FieldChip> chips;
    std::uint32_t count = 0;
    hc::Vec3 start;
    if (hc::readFieldInfo(path, chips, count, &start) && count != chips.size()) __builtin_trap();
    std::remove(path.c_str());
    return 0;
}
