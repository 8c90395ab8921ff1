// Feeds arbitrary bytes to the stage order reader, which reads its fixed path below the working folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>

#include "game/field.h"

namespace {

std::string scratch;

void leaveScratch() {
    std::error_code error;
    std::filesystem::remove_all(scratch, error);
}

// A scratch folder of this process becomes the working folder, holding Resource_Blade/CSV/.
bool enterScratch() {
    char pattern[] = "/tmp/fuzz_stage_order_XXXXXX";
    if (!mkdtemp(pattern)) return false;
    scratch = pattern;
    std::atexit(leaveScratch);
    std::error_code error;
    std::filesystem::current_path(pattern, error);
    if (error) return false;
    std::filesystem::create_directories("Resource_Blade/CSV", error);
    return !error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = enterScratch();
    if (!ready) return 0;
    std::FILE* file = std::fopen("Resource_Blade/CSV/field_order.csv", "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    hc::Field field;
    if (field.readStageOrder()) {
        if (field.stageOrder.size() < 2 || field.stageOrder.size() > hc::Field::kMaxStageOrder) __builtin_trap();
        for (std::int32_t slot : field.stageOrder)
            if (slot < 0 || slot >= hc::Field::kSlotCount) __builtin_trap();
        for (std::uint32_t k = 0; k < 40; ++k)
            if (field.orderedSlot(k) < 0 || field.orderedSlot(k) >= hc::Field::kSlotCount) __builtin_trap();
    }
    return 0;
}
