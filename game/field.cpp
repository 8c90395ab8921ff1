#include "game/field.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/camera.h"
#include "engine/services.h"
#include "game/transform.h"
#include "platform/platform.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.295776f;
constexpr float kSinkDepth = 7.5f;
constexpr float kDropHeight = 30.0f;
// How far inside a block face the collision rays start: 0.05 short of the face.
constexpr float kFaceInset = 0.45f;

const char* const kBoxMeshPath = "Resource_Blade/FieldObject/rockbox.x";
const char* const kCylinderMeshPath = "Resource_Blade/FieldObject/cylinder_obj.x";
const char* const kHalfBoxMeshPath = "Resource_Blade/FieldObject/boxhalf_obj.x";
const char* const kBreakSoundPath = "Resource_Blade/SE/Duskforge/field_break_se.wav";
const char* const kCsvError = "CSVファイルの読み込みに失敗しました";

const char* const kFloorFiles[Field::kSlotCount] = {
    "Resource_Blade/CSV/Field_1.csv",
    "Resource_Blade/CSV/Field_2.csv",
    "Resource_Blade/CSV/Field_3.csv",
    "Resource_Blade/CSV/Field_4.csv",
    "Resource_Blade/CSV/Field_5.csv",
    "Resource_Blade/CSV/SpecialStage.csv",
    "Resource_Blade/CSV/Cathedral.csv",
};
const char* const kWallFiles[Field::kSlotCount] = {
    "Resource_Blade/CSV/Wall_1.csv",
    "Resource_Blade/CSV/Wall_2.csv",
    "Resource_Blade/CSV/Wall_3.csv",
    "Resource_Blade/CSV/Wall_4.csv",
    "Resource_Blade/CSV/Wall_5.csv",
    "Resource_Blade/CSV/SpecialWall.csv",
    "Resource_Blade/CSV/Cathedral_Wall.csv",
};

Vec3 translationOf(const Matrix& m) { return Vec3{m.m[3][0], m.m[3][1], m.m[3][2]}; }

float tenths(int r) { return static_cast<float>(r % 4) / 10.0f; }

}  // namespace

std::int32_t Field::orderedSlot(std::uint32_t index) const {
    return index < stageOrder.size() ? stageOrder[index] : 0;
}

bool Field::load() {
    std::srand(platform().clock().milliseconds());

    if (!MeshCache::load(kBoxMeshPath, boxMesh)) {
        boxMesh = nullptr;
        return false;
    }
    if (!MeshCache::load(kCylinderMeshPath, cylinderMesh)) {
        cylinderMesh = nullptr;
        return false;
    }
    if (!MeshCache::load(kHalfBoxMeshPath, halfBoxMesh)) {
        halfBoxMesh = nullptr;
        return false;
    }

    std::vector<FieldChip> list;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        list.clear();
        if (!readStageCsv(kFloorFiles[slot], slot, &startChipIndex[slot], list)) return false;
        floorCount[slot] = static_cast<std::int32_t>(list.size());
        if (!readStageCsv(kWallFiles[slot], slot, nullptr, list)) return false;
        chipTotal[slot] = static_cast<std::int32_t>(list.size());
        templates[slot] = list;
    }

    if (!readStageOrder()) return false;

    changeFrame = 0;
    currentSlot = stageOrder[0];
    nextSlot = stageOrder[1];
    chips = templates[currentSlot];
    chipCount = chipTotal[currentSlot];
    stageNumber = 1;

    if (!SoundBuffer::load(kBreakSoundPath, breakSound)) {
        breakSound = nullptr;
        return false;
    }

    for (FieldChip& block : blocks) {
        block.init();
        block.letter = 'B';
    }
    dropsLeft = 0;
    resetDrop();
    dropsAllowed = true;
    return true;
}

bool Field::culled(float x, float y, float z) {
    for (const Plane& p : gCamera.worldPlanes) {
        if (p.a * x + p.b * y + p.c * z + p.d < -1.0f) return true;
    }
    return false;
}

MeshEntry* Field::meshForLetter(char letter) const {
    switch (letter) {
    case 'B':
    case 'G':
    case 'L':
    case 'O':
        return boxMesh;
    case 'C':
        return cylinderMesh;
    case 'H':
        return halfBoxMesh;
    default:
        return nullptr;
    }
}

bool Field::drawChip(const FieldChip& chip) {
    if (culled(chip.world.m[3][0], chip.world.m[3][1], chip.world.m[3][2])) return false;
    gDevice->setTransform(TransformType::World, chip.world);
    if (MeshEntry* mesh = meshForLetter(chip.letter)) MeshCache::draw(mesh);
    return true;
}

void Field::draw() {
    Device& device = *gDevice;
    device.setRenderState(RenderState::FogEnable, 1);
    device.setRenderState(RenderState::RangeFogEnable, 1);
    device.setRenderState(RenderState::FogColor, 0);
    device.setRenderState(RenderState::FogVertexMode, FOG_LINEAR);
    device.setRenderState(RenderState::FogStart, floatBits(gCamera.eye.y + 1.0f));
    device.setRenderState(RenderState::FogEnd, floatBits(gCamera.eye.y + 22.0f));

    if (changing) {
        // The crumbling stage: the first chips drawn must still stand near the ground.
        int budget = kChangeDrawBudget;
        std::size_t count = std::min(chips.size(), static_cast<std::size_t>(std::max(crumbleCount, 0)));
        for (std::size_t i = 0; i < count; ++i) {
            const FieldChip& chip = chips[i];
            if (budget > 0) {
                if (culled(chip.world.m[3][0], chip.world.m[3][1], chip.world.m[3][2])) continue;
                if (!(chip.world.m[3][1] > -2.0f)) continue;
                drawChip(chip);
                if (chip.letter != 'A' && chip.letter != 'P') --budget;
            } else {
                drawChip(chip);
            }
        }
    } else {
        std::size_t count = std::min(chips.size(), static_cast<std::size_t>(std::max(chipCount, 0)));
        for (std::size_t i = 0; i < count; ++i) drawChip(chips[i]);
    }

    if (nextChipsAlive) {
        for (const FieldChip& chip : nextChips) drawChip(chip);
    }
    if (blocksShown) {
        for (const FieldChip& block : blocks) drawChip(block);
    }
}

Vec3 Field::collideWalls(MeshEntry* body, Vec3 move, Matrix playerWorld) {
    Vec3 result = move;
    if (changing) return result;
    const Vec3 p = translationOf(playerWorld);
    std::size_t end = std::min(chips.size(), static_cast<std::size_t>(std::max(chipCount, 0)));
    std::size_t begin = static_cast<std::size_t>(std::max(floorCount[currentSlot], 0));
    for (std::size_t i = begin; i < end; ++i) {
        const FieldChip& chip = chips[i];
        if (chip.letter == 'G') continue;
        const Vec3 c = translationOf(chip.world);
        if (!(std::fabs(p.x - c.x) < 1.2f && c.y - p.y < 1.2f && std::fabs(p.z - c.z) < 1.2f)) continue;
        if (chip.letter != 'A' && chip.letter != 'B') continue;

        // The ray runs from the block back along the move and finds the body's surface; the move is
        // cut so that surface ends at the block's face. The ray starts level with the body (within the
        // block's face), since a body narrower than a cell passes beside a ray on the block's centre line.
        // The start keeps a little inside the face, so that a body merely touching the block's side
        // (stopped there by the other axis) does not count as in front of it.
        // The nearest face wins, and a move is only ever shortened: a body that a golem pushed into a
        // block, or one the ray starts inside of, would otherwise be thrown back against its move,
        // into the next block, and could be walled in for good.
        if ((c.x > p.x && move.x > 0) || (p.x > c.x && move.x < 0)) {
            Vec3 h;
            const Vec3 start{c.x, c.y, std::clamp(p.z, c.z - kFaceInset, c.z + kFaceInset)};
            if (MeshCache::rayHit(body, start, Vec3{-move.x, 0, 0}, playerWorld, h)) {
                hitPoint = h;
                if (move.x > 0) {
                    if (hitPoint.x + move.x > c.x - 0.5f) result.x = std::min(result.x, std::max(c.x - 0.5f - hitPoint.x, 0.0f));
                } else {
                    if (hitPoint.x + move.x < c.x + 0.5f) result.x = std::max(result.x, std::min(c.x + 0.5f - hitPoint.x, 0.0f));
                }
            }
        }
        if ((c.z > p.z && move.z > 0) || (p.z > c.z && move.z < 0)) {
            Vec3 h;
            const Vec3 start{std::clamp(p.x, c.x - kFaceInset, c.x + kFaceInset), c.y, c.z};
            if (MeshCache::rayHit(body, start, Vec3{0, 0, -move.z}, playerWorld, h)) {
                hitPoint = h;
                if (move.z > 0) {
                    if (hitPoint.z + move.z > c.z - 0.5f) result.z = std::min(result.z, std::max(c.z - 0.5f - hitPoint.z, 0.0f));
                } else {
                    if (hitPoint.z + move.z < c.z + 0.5f) result.z = std::max(result.z, std::min(c.z + 0.5f - hitPoint.z, 0.0f));
                }
            }
        }
    }
    return result;
}

Vec3 Field::probeAhead(Matrix playerWorld) {
    const Vec3 p = translationOf(playerWorld);
    std::size_t end = std::min(chips.size(), static_cast<std::size_t>(std::max(chipCount, 0)));
    std::size_t begin = static_cast<std::size_t>(std::max(floorCount[currentSlot], 0));
    const float reach = 2.0f * 1.7f * 1.7f;
    for (std::size_t i = begin; i < end; ++i) {
        const Vec3 c = translationOf(chips[i].world);
        float dx = c.x - p.x;
        float dz = c.z - p.z;
        if (dz * dz + dx * dx < reach && dx * dx < 0.6f * 0.6f && p.z < c.z) return Vec3{p.x, p.y, p.z - 2.0f};
    }
    return Vec3{p.x, p.y, p.z + 2.0f};
}

void Field::updateStageChange(bool endlessMode, Matrix playerWorld) {
    changing = true;
    const Vec3 p = translationOf(playerWorld);
    const std::vector<FieldChip>& target = templates[nextSlot];

    if (!nextChipsAlive) {
        if (breakSound) breakSound->restart();

        // The next stage waits 7.5 below with its start cell under the player.
        Vec3 s;
        std::int32_t start = startChipIndex[nextSlot];
        if (start >= 0 && static_cast<std::size_t>(start) < target.size()) s = translationOf(target[start].world);
        float dx = p.x - s.x;
        float dz = p.z - s.z;
        nextChips = target;
        for (FieldChip& chip : nextChips) {
            chip.world.m[3][0] += dx;
            chip.world.m[3][1] -= kSinkDepth;
            chip.world.m[3][2] += dz;
        }
        nextChipsAlive = true;

        // Only what is in view crumbles; the rest of the old stage is dropped now.
        std::vector<FieldChip> visible;
        for (const FieldChip& chip : chips) {
            if (!culled(chip.world.m[3][0], 0.0f, chip.world.m[3][2])) visible.push_back(chip);
        }
        chips = std::move(visible);
        crumbleCount = static_cast<std::int32_t>(chips.size());
    }

    changeFrame += 1.0f;
    const float t = changeFrame;

    // Rise, never past the template height.
    if (!nextChips.empty() && !target.empty()) {
        float e = nextChips[0].world.m[3][1] - target[0].world.m[3][1];
        if (e != 0.0f) {
            std::size_t count = std::min(nextChips.size(), target.size());
            for (std::size_t i = 0; i < count; ++i) {
                float& y = nextChips[i].world.m[3][1];
                float y0 = target[i].world.m[3][1];
                if (e >= 0.02f) {
                    y = y0;
                } else {
                    float raised = y + t / kChangeFrames * 0.15f * kSinkDepth;
                    y = raised >= y0 ? y0 : raised;
                }
            }
        }
    }

    // Crumble, spreading outward from the player one unit a frame.
    std::size_t crumbling = std::min(chips.size(), static_cast<std::size_t>(std::max(crumbleCount, 0)));
    for (std::size_t i = 0; i < crumbling; ++i) {
        FieldChip& chip = chips[i];
        float gx = chip.world.m[3][0] - p.x;
        float gz = chip.world.m[3][2] - p.z;
        if (!(gx * gx + gz * gz < t * t)) continue;
        float k = t * 0.0005f;
        float a = static_cast<float>(chip.spin);
        Matrix shrink = matrixScaling(1.0f - a / 3.0f * 0.02f * k, 1.0f - a / 6.0f * 0.02f * k,
                                      1.0f - a / 12.0f * 0.02f * k);
        Matrix turn = Matrix::identity();
        if (static_cast<int>(t) % 6 == 0) {
            double seconds = static_cast<double>(platform().clock().milliseconds()) / 1000.0;
            float angle = static_cast<float>(seconds * a * kDegreesToRadians);
            switch (chip.spin % 3) {
            case 0: turn = matrixRotationX(angle); break;
            case 1: turn = matrixRotationY(angle); break;
            default: turn = matrixRotationZ(angle); break;
            }
        }
        chip.world = matrixMultiply(matrixMultiply(turn, shrink), chip.world);
        chip.world.m[3][0] -= 0.05f * std::sin(a);
        chip.world.m[3][1] += 0.8f - 0.025f * t;
        chip.world.m[3][2] += 0.05f * std::cos(a);
    }

    if (t < kChangeFrames) return;

    // Arrival.
    changeFrame = 0;
    changing = false;
    chips = target;
    chipCount = chipTotal[nextSlot];
    stageNumber += 1;
    currentSlot = nextSlot;
    if (endlessMode && stageNumber >= 29) {
        nextSlot = std::rand() % 5;
    } else {
        nextSlot = orderedSlot(stageNumber);
    }
    nextChips.clear();
    nextChips.shrink_to_fit();
    nextChipsAlive = false;
    dropTimer = 0;
    falling = false;
    dropsLeft = dropsForStage(endlessMode);
}

std::int32_t Field::dropsForStage(bool endlessMode) const {
    const std::int32_t n = static_cast<std::int32_t>(stageNumber);
    if (n <= 9) return 1 + std::rand() % 2;
    if (n <= 20) return 2 + std::rand() % 3;
    if (n <= 29) return 4 + std::rand() % 4;
    if (endlessMode) return n <= 39 ? 5 + std::rand() % 5 : n;
    return n == 30 ? 0 : n;
}

float Field::startChipHeight() const {
    std::int32_t start = startChipIndex[currentSlot];
    if (start >= 0 && static_cast<std::size_t>(start) < chips.size()) return chips[start].world.m[3][1];
    return 0.0f;
}

void Field::resetDrop() {
    addedChips = 0;
    falling = false;
    fallCounter = 0;
    shakePhase = false;
    dropTimer = 0;
    shakeAmplitude = kShakeAmplitude;
    blocksShown = false;
}

void Field::updateDrops(bool endlessMode, Matrix playerWorld) {
    if (changing) {
        if (addedChips != 0) {
            dropsLeft = 0;
            resetDrop();
        }
        dropsAllowed = true;
        return;
    }
    if (dropsAllowed && dropsLeft > 0 && !falling && !prepareDrop(endlessMode, translationOf(playerWorld))) {
        dropsAllowed = true;
        return;
    }
    if (falling) stepFall();
    dropsAllowed = true;
}

std::int32_t Field::dropWait() const {
    return stageNumber <= 8 ? 3600 : stageNumber <= 16 ? 2700
                                 : stageNumber <= 25   ? 1800
                                                       : 1200;
}

// Counts toward the next drop, shakes the camera as a warning, then places the blocks. False while the
// drop is not yet under way.
bool Field::prepareDrop(bool endlessMode, Vec3 player) {
    dropTimer += 1;
    if (stageNumber == 1 || (!endlessMode && stageNumber == 30)) return false;
    if (dropTimer < dropWait()) return false;

    // Ten up-down cycles; the half-step margin keeps float rounding from adding an eleventh.
    if (shakeAmplitude > kShakeStep * 0.5f) {
        if (!shakePhase) {
            gCamera.translate(0, shakeAmplitude, 0);
            shakePhase = true;
        } else {
            gCamera.translate(0, -shakeAmplitude, 0);
            shakeAmplitude -= kShakeStep;
            shakePhase = false;
        }
        gCamera.apply();
        return false;
    }
    if (blocksShown) return true;

    std::vector<std::size_t> candidates;
    std::size_t floorEnd = std::min(chips.size(), static_cast<std::size_t>(std::max(floorCount[currentSlot], 0)));
    for (std::size_t i = 0; i < floorEnd; ++i) {
        float dx = chips[i].world.m[3][0] - player.x;
        float dz = chips[i].world.m[3][2] - player.z;
        float d = dx * dx + dz * dz;
        if (d > 2.2f * 2.2f && d < 3.6f * 3.6f) candidates.push_back(i);
    }
    if (candidates.empty()) return false;
    std::size_t pick = candidates[static_cast<std::size_t>(std::rand()) % candidates.size()];
    placeBlocks(translationOf(chips[pick].world));
    return true;
}

void Field::placeBlocks(Vec3 site) {
    const float offsets[kBlockCount][2] = {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}};
    bool blocked[kBlockCount] = {};
    std::size_t wallBegin = static_cast<std::size_t>(std::max(floorCount[currentSlot], 0));
    std::size_t wallEnd = std::min(chips.size(), static_cast<std::size_t>(std::max(chipCount, 0)));
    for (int v = 0; v < kBlockCount; ++v) {
        Transform t;
        float w = 0.8f + tenths(std::rand());
        float q = static_cast<float>(blocks[v].spin) * kRadiansToDegrees;
        t.scale = Vec3{w, w, w};
        t.rotation = Vec3{q, 0, q};
        t.position = Vec3{site.x + offsets[v][0], site.y + kDropHeight, site.z + offsets[v][1]};
        t.toMatrix(blocks[v].world);
        for (std::size_t i = wallBegin; i < wallEnd && !blocked[v]; ++i) {
            blocked[v] = chips[i].world.m[3][0] == t.position.x && chips[i].world.m[3][2] == t.position.z;
        }
    }

    blocksShown = true;
    addedChips = 0;
    const float landing = startChipHeight() + 1.0f;
    for (int v = 0; v < kBlockCount; ++v) {
        if (blocked[v]) continue;
        // Solid at once, shown only when the block has landed.
        FieldChip chip = blocks[v];
        chip.world.m[3][1] = landing;
        chip.letter = 'A';
        chips.push_back(chip);
        ++addedChips;
    }
    chipCount += addedChips;
    falling = true;
}

void Field::stepFall() {
    const float landing = startChipHeight() + 1.0f;
    int landed = 0;
    for (int v = 0; v < kBlockCount; ++v) {
        if (!(fallCounter / 10 > v)) continue;
        float& y = blocks[v].world.m[3][1];
        if (y <= landing) {
            ++landed;
        } else {
            y -= 0.2f;
        }
    }
    fallCounter += 1;
    if (landed < kBlockCount) return;

    std::size_t added = std::min(chips.size(), static_cast<std::size_t>(std::max(addedChips, 0)));
    for (std::size_t i = chips.size() - added; i < chips.size(); ++i) chips[i].letter = 'B';
    dropsLeft -= 1;
    resetDrop();
}

void Field::release() {
    for (auto& slot : templates) {
        slot.clear();
        slot.shrink_to_fit();
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        startChipIndex[slot] = 0;
        floorCount[slot] = 0;
        chipTotal[slot] = 0;
    }
    if (breakSound) SoundBuffer::release(breakSound);
    breakSound = nullptr;
    stageOrder.clear();
    stageOrder.shrink_to_fit();
    nextChips.clear();
    nextChips.shrink_to_fit();
    nextChipsAlive = false;
    chips.clear();
    chips.shrink_to_fit();
    chipCount = 0;
    for (MeshEntry* mesh : {boxMesh, cylinderMesh, halfBoxMesh}) {
        if (mesh) MeshCache::release(mesh);
    }
    boxMesh = cylinderMesh = halfBoxMesh = nullptr;
}

}  // namespace hc
