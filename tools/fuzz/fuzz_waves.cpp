// Feeds arbitrary bytes to the wave reader, then plays the waves built from what it read: every
// slot on a few stages of both runs, with the knight walking about, hits landing and the enemies drawn.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/services.h"
#include "game/enemy_info.h"
#include "game/enemy_manager.h"
#include "platform/headless/headless_device.h"

namespace {

// Every record the reader hands out is alive and waiting, whatever the file said.
void checkRecords(const hc::EnemyBase* records, std::uint32_t count) {
    if (count == 0 || count > hc::kMaxWaveRecords) std::abort();
    for (std::uint32_t i = 0; i < count; ++i)
        if (records[i].hitPoints != 3 || records[i].active != 0 || records[i].fadeAlpha != 255) std::abort();
}

void play(hc::EnemyManager& manager, hc::EnemyBase*& slot, bool story, std::uint32_t stage, std::int32_t stageSlot) {
    manager.story = story;
    manager.buildWave(&slot, stage, stageSlot);
    const std::int32_t expected = stageSlot == hc::EnemyManager::kObsidianSlot
                                      ? (hc::EnemyManager::waveSize(stage, story) > 0 ? 1 : 0)
                                      : hc::EnemyManager::waveSize(stage, story);
    if (manager.enemyCount != expected || slot != manager.wave.get()) std::abort();
    hc::Vec3 knight{16, 0, 24};
    for (int frame = 0; frame < 40; ++frame) {
        knight.x += (frame % 7) * 0.05f;
        manager.moveEnemies(slot, knight.x, knight.y, knight.z);
        for (std::int32_t i = 0; i < manager.enemyCount; ++i) {
            hc::EnemyBase& e = slot[i];
            if (e.hitPoints <= 0 || !e.active) continue;
            if (frame % 5 == 0) manager.enemyTakeHit(e, &knight, 1 + frame % 2, frame % 3 == 0);
            if (e.counter != 0 && ++e.counter > 31) e.counter = 0;
            manager.enemyAttackTest(nullptr, e, knight);
        }
        hc::applyMoves(nullptr, slot, manager.enemyCount);
        manager.drawEnemies(slot);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_waves_" + std::to_string(getpid());
    static std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    device->recording = false;  // nothing reads the call log, and it would grow with every input
    hc::gDevice = device.get();

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    std::unique_ptr<hc::EnemyBase[]> records;
    std::uint32_t count = 0;
    const bool read = hc::readEnemyInfo(path, records, count);
    std::remove(path.c_str());
    if (!read) return 0;
    checkRecords(records.get(), count);

    // The one table stands in for all ten.
    hc::EnemyManager manager;
    for (int t = 0; t < hc::EnemyManager::kTableCount; ++t) {
        manager.tables[t] = std::make_unique<hc::EnemyBase[]>(count);
        for (std::uint32_t i = 0; i < count; ++i) manager.tables[t][i] = records[i];
        manager.tableCounts[t] = static_cast<std::int32_t>(count);
    }
    hc::EnemyBase* slot = nullptr;
    for (std::int32_t stageSlot = 0; stageSlot <= hc::EnemyManager::kObsidianSlot; ++stageSlot) {
        play(manager, slot, true, 1 + static_cast<std::uint32_t>(stageSlot) * 5, stageSlot);
        play(manager, slot, false, 20 + static_cast<std::uint32_t>(stageSlot), stageSlot);
    }
    play(manager, slot, true, 29, 1);
    manager.release(&slot);
    if (slot != nullptr) std::abort();
    return 0;
}
