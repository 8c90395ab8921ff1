#include "scenes/scenario_event.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/input_state.h"
#include "engine/services.h"
#include "game/text_line_reader.h"
#include "game/transform.h"

namespace hc {

namespace {

constexpr unsigned int kPageLines = 3;
// The first line after each event's range: the events of stages 1, 3 and 30 show lines 0 ... 32,
// 33 ... 71 and 72 ... 131.
constexpr unsigned int kFirstEventEnd = 33;
constexpr unsigned int kSecondEventEnd = 72;
constexpr unsigned int kLastEventEnd = 132;

constexpr int kFadeStep = 3;
constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.295776f;
constexpr float kPi = 3.14159265f;

// "Bボタンで次へ" in Shift-JIS, the encoding the font takes.
constexpr char kPrompt[] = "B\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F\x82\xD6";

Matrix spriteTransform(float x, float y, float scale) {
    Transform t;
    t.position = {x, y, 0};
    t.scale = {scale, scale, 0};
    t.rotation = {0, 0, 0};
    Matrix m;
    t.toMatrix(m);
    return m;
}

}  // namespace

bool ScenarioEvent::readScript(const std::string& path) {
    TextLineReader file;
    if (!file.open(path)) return false;
    std::vector<Record> read;
    Record record;
    while (file.readLine(record.text, kRecordBytes)) read.push_back(record);
    file.close();
    lines = std::move(read);
    lineCount = static_cast<unsigned int>(lines.size());
    return true;
}

bool ScenarioEvent::init(int endlessMode) {
    if (!readScript(kScriptPath)) {
        char message[256];
        std::snprintf(message, sizeof message, "シナリオの読み込みに失敗しました\nファイル名 \"%s\"", kScriptPath);
        showError(message);
        return false;
    }

    if (!TextureCache::load(fadeTexture, "Resource_Blade/end_secnのコピー.png")) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/騎士の人/knight_leftfoot.x", footLeftMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/騎士の人/knight_rightfoot.x", footRightMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/騎士の人/senpaiknight_t.x", bodyMesh)) return false;
    if (!MeshCache::load("Resource_Blade/Mesh/騎士の人/knight_hand.x", handMesh)) return false;

    mutter.init();  // remarks are optional: a missing file only leaves the window empty

    active = 1;
    endlessHold = endlessMode ? 1 : 0;
    return true;
}

int ScenarioEvent::update(int stage, int phase) {
    const bool pagePressed = gInput.padHit(PadButton::B);

    if (stage == 1) {
        if (phase != 1) return 0;
    } else if (stage == 3 || stage == 30) {
        if (phase != 0) return 0;
    } else {
        active = 0;
        fadeLevel = 0;
        return 0;
    }

    // Not started yet: the game scene starts it, places the knight and freezes the player.
    if (!active) return 1;

    if (phase == 0) knightVisible = 1;

    bool ended = false;
    if (stage == 1) {
        ended = topLine + kPageLines > kFirstEventEnd;
    } else if (stage == 3) {
        ended = topLine + kPageLines > kSecondEventEnd;
    } else if (topLine + kPageLines > kLastEventEnd) {
        // The last event ends only once the fade-out that follows its last page is over.
        if (!finalFadeOut) {
            fadeStarted = 0;
            finalFadeOut = 1;
        } else {
            ended = fading == 0;
        }
    }

    if (ended) {
        knightVisible = 0;
        finished = 1;
        active = 0;
        knightPosition.reset();
        return 0;
    }

    if (pagePressed && active == 1 && fading == 0) topLine += kPageLines;
    return 1;
}

void ScenarioEvent::drawFadePicture(int level) {
    if (!fadeTexture || !gSprite) return;
    gSprite->setTransform(Matrix::identity());
    const Colour colour = (static_cast<Colour>(level) << 24) | 0x00FFFFFFu;
    gSprite->draw(fadeTexture->texture.get(), nullptr, nullptr, nullptr, colour);
}

int ScenarioEvent::fadeScreen(int kind) {
    switch (kind) {
    case 0:
        fadeStarted = 0;
        return 0;
    case 1:
        if (!fadeStarted) {
            fadeLevel = 0;
            fadeStarted = 1;
        }
        fadeLevel = std::min(fadeLevel + kFadeStep, 255);
        drawFadePicture(fadeLevel);
        fading = fadeLevel < 255 ? 1 : 0;
        return fading;
    case 2:
        if (!fadeStarted) {
            fadeLevel = 255;
            fadeStarted = 1;
        }
        fadeLevel = std::max(fadeLevel - kFadeStep, 0);
        drawFadePicture(fadeLevel);
        fading = fadeLevel > 0 ? 1 : 0;
        return fading;
    default:
        return 0;
    }
}

void ScenarioEvent::drawText() {
    if (!gSprite) return;
    gSprite->setTransform(spriteTransform(378, 546, 1.15f));
    char buffer[kRecordBytes];
    // Lines past the end of the script are simply not there: a short script shows what it has.
    for (unsigned int i = topLine; i < topLine + kPageLines && i < lineCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s", lines[i].text);
        ::hc::drawText(static_cast<float>(static_cast<int>((i - topLine) * 18.0)), buffer);
        if (std::strncmp(buffer, "Fin", 3) == 0) break;
    }

    gSprite->setTransform(spriteTransform(800, 620, 0.6f));
    std::memset(buffer, 0, sizeof buffer);
    std::snprintf(buffer, sizeof buffer, "%s", kPrompt);
    ::hc::drawText(0, buffer);
}

void ScenarioEvent::drawKnight(const Matrix& playerWorld) {
    if (knightVisible != 1 || !knightPosition || !gDevice) return;
    const float kx = knightPosition->x, ky = knightPosition->y, kz = knightPosition->z;
    const float px = playerWorld.m[3][0], pz = playerWorld.m[3][2];
    const float yaw = std::atan2(pz - kz, px - kx) * kRadiansToDegrees;

    Transform body;
    body.position = {kx, ky, kz};
    body.scale = {1, 1, 1};
    body.rotation = {0, yaw - 90.0f, 0};
    Matrix world;
    body.toMatrix(world);
    gDevice->setTransform(TransformType::World, world);
    MeshCache::draw(footRightMesh);
    MeshCache::draw(footLeftMesh);
    MeshCache::draw(bodyMesh);

    // The hand hangs at a fixed height beside the body, turned with it.
    const float h = (yaw + 270.0f) * kDegreesToRadians;
    const Matrix rotation =
        matrixRotationYawPitchRoll((yaw - 270.0f) * kDegreesToRadians, kPi, 3.0f * kPi / 2.0f);
    const Matrix translation = matrixTranslation(kx + 0.24f * std::cos(h), 0.57f, kz + 0.24f * std::sin(h));
    gDevice->setTransform(TransformType::World, matrixMultiply(rotation, translation));
    MeshCache::draw(handMesh);
}

bool ScenarioEvent::drawClosingFade() {
    closingLevel += kFadeStep;
    bool done = false;
    if (closingLevel >= 256) {
        closingLevel = 255;
        done = true;
    }
    drawFadePicture(closingLevel);
    return done;
}

void ScenarioEvent::release() {
    knightPosition.reset();
    mutter.release();
    MeshCache::release(handMesh);
    handMesh = nullptr;
    MeshCache::release(bodyMesh);
    bodyMesh = nullptr;
    MeshCache::release(footRightMesh);
    footRightMesh = nullptr;
    MeshCache::release(footLeftMesh);
    footLeftMesh = nullptr;
    TextureCache::release(fadeTexture);
    fadeTexture = nullptr;
    lines.clear();
    lineCount = 0;
}

}  // namespace hc
