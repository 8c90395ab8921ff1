// Feeds arbitrary bytes to the stage order reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "game/field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_stage_order_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    hc::Field field;
    if (field.readStageOrderFile(path)) {
        if (field.stageOrder.size() < 2 || field.stageOrder.size() > hc::Field::kMaxStageOrder) __builtin_trap();
        for (std::int32_t slot : field.stageOrder)
            if (slot < 0 || slot >= hc::Field::kSlotCount) __builtin_trap();
        for (std::uint32_t k = 0; k < 40; ++k)
            if (field.orderedSlot(k) < 0 || field.orderedSlot(k) >= hc::Field::kSlotCount) __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
