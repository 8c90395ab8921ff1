// Cost of the enemies' frame: the movement step (spawning, state machine, approach steering) of the
// largest story wave with all forty golems on the field, and of the drawing on the headless device.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/services.h"
#include "game/enemy_manager.h"
#include "platform/headless/headless_device.h"

namespace {

double microseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main() {
    auto device = hc::createHeadlessDevice();
    device->recording = false;
    hc::gDevice = device.get();

    // Forty golems of the walking kinds scattered over a 32 by 48 arena, all let in at once.
    hc::EnemyManager manager;
    constexpr int kTable = 24;
    manager.tables[5] = std::make_unique<hc::EnemyBase[]>(kTable);
    for (int i = 0; i < kTable; ++i) {
        hc::EnemyBase& e = manager.tables[5][i];
        e.transform.position = hc::Vec3{4.0f + (i * 7) % 25, 0, 6.0f + (i * 11) % 40};
        e.kind = i % 4;
        e.hitPoints = 3;
        e.fadeAlpha = 255;
    }
    manager.tableCounts[5] = kTable;
    hc::EnemyBase* wave = nullptr;
    manager.buildWave(&wave, 29, 0);

    hc::Vec3 knight{16, 0, 24};
    constexpr int kFrames = 3000;
    std::chrono::steady_clock::duration move{}, draw{};
    std::vector<double> samples;
    for (int f = 0; f < kFrames; ++f) {
        manager.spawnCounter = 1000;
        knight.x = 16 + 3 * std::sin(f * 0.01f);
        auto t0 = std::chrono::steady_clock::now();
        manager.moveEnemies(wave, knight.x, knight.y, knight.z);
        auto t1 = std::chrono::steady_clock::now();
        hc::applyMoves(nullptr, wave, manager.enemyCount);
        auto t2 = std::chrono::steady_clock::now();
        manager.drawEnemies(wave);
        auto t3 = std::chrono::steady_clock::now();
        move += t1 - t0;
        draw += t3 - t2;
        samples.push_back(microseconds(t1 - t0));
    }
    std::printf("enemies: %d golems, %d frames\n", manager.enemyCount, kFrames);
    std::sort(samples.begin(), samples.end());
    std::printf("  movement step: %.2f us per frame on average, %.2f us at the 99th percentile\n",
                microseconds(move) / kFrames, samples[samples.size() * 99 / 100]);
    std::printf("  drawing (headless, no meshes): %.2f us per frame\n", microseconds(draw) / kFrames);
    manager.release(&wave);
    return 0;
}
