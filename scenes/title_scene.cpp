#include "scenes/title_scene.h"

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/image.h"

namespace hc {

namespace {

constexpr Colour kColourKey = 0xFF00FF00u;
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;

// Where each item of the sheet goes: the highlighted picture (left column) and the plain one (right).
struct MenuItem {
    Rect highlighted;
    float highlightedX;
    Rect plain;
    float plainX;
    float y;
};

// Indexed by cursor value.
constexpr MenuItem kItems[3] = {
    {{0, 354, 241, 401}, 526, {241, 354, 482, 401}, 528, 495},  // ranking, middle row
    {{0, 307, 241, 354}, 526, {241, 307, 482, 354}, 528, 439},  // start, top row
    {{0, 401, 241, 448}, 522, {241, 401, 482, 448}, 528, 551},  // quit, bottom row
};
constexpr Rect kLogo{0, 0, 892, 307};

void drawFromSheet(TextureEntry* sheet, const Rect& source, float x, float y) {
    const Matrix at = matrixTranslation(x, y, 0);
    drawSprite(sheet, &at, nullptr, &source);
}

// The stick's up goes middle -> top -> bottom, its down top -> middle -> bottom, both wrapping.
int itemAbove(int cursor) { return (cursor + 1) % 3; }
int itemBelow(int cursor) { return (cursor + 2) % 3; }

int resultOf(int cursor) {
    switch (cursor) {
    case TitleScene::kStartItem: return TitleScene::kToGame;
    case TitleScene::kRankingItem: return TitleScene::kToRanking;
    case TitleScene::kQuitItem: return TitleScene::kQuit;
    default: return TitleScene::kStay;
    }
}

}  // namespace

bool drawFade(Texture* texture, std::int16_t& level) {
    level = static_cast<std::int16_t>(level + 3);
    gSprite->setTransform(Matrix::identity());
    const Colour colour = (static_cast<Colour>(static_cast<std::uint16_t>(level)) << 24) | 0x00FFFFFFu;
    gSprite->draw(texture, nullptr, nullptr, nullptr, colour);
    if (level >= 255) {
        level = 0;
        return true;
    }
    return false;
}

bool TitleScene::init() {
    // The fade picture is made at the screen's size without an alpha channel: keyed pixels end up
    // black, and the draw colour alone sets its transparency.
    fadeTexture = createTextureFromFile(*gDevice, kFadePath, kScreenWidth, kScreenHeight, kColourKey);
    if (!fadeTexture) {
        showError("テクスチャの読み込みに失敗しました");
        return false;
    }
    for (Colour& pixel : fadeTexture->pixels) pixel |= 0xFF000000u;
    fadeTexture->update();

    if (!TextureCache::load(titleSheet, kSheetPath)) return false;
    if (!SoundBuffer::load(kMusicPath, bgm)) return false;
    if (!SoundBuffer::load(kSelectSoundPath, selectSound)) return false;
    if (!SoundBuffer::load(kDecideSoundPath, decideSound)) return false;
    if (!backdrop.init()) return false;

    // Whatever camera the last scene left: the first update replaces it through the backdrop.
    gCamera.orbitTarget = Vec3{0, 0, -1};
    gCamera.orbitPitch = 0;
    gCamera.orbitYaw = 0;
    gCamera.orbitDistance = 0;
    gCamera.eye = Vec3{0, 0, -1};
    gCamera.apply();

    cursor = kStartItem;
    endlessMode = 0;
    return true;
}

int TitleScene::update() {
    bgm->keepAlive();
    backdrop.update();

    if (!decided) {
        const float y = gInput.leftStickY;
        if (y >= -kStickBand && y <= kStickBand) {
            stickLatched = 0;
        } else if (!stickLatched) {
            selectSound->stop();
            selectSound->play();
            cursor = y < -kStickBand ? itemAbove(cursor) : itemBelow(cursor);
            stickLatched = 1;
        }
        if (gInput.padHit(kConfirmButton)) {
            decided = 1;
            if (gInput.padDown(kEndlessButton)) endlessMode = 1;
        }
    }

    // Kept going through the whole fade: it plays on, and starts over if it ends first.
    if (decided) {
        decideSound->stop();
        decideSound->play();
    }

    return fadeDone ? resultOf(cursor) : kStay;
}

void TitleScene::drawBackground() { backdrop.draw(); }

void TitleScene::drawSprites() {
    gDevice->setSamplerState(0, SamplerState::AddressU, TADDRESS_MIRROR);
    gDevice->setSamplerState(0, SamplerState::AddressV, TADDRESS_MIRROR);

    drawFromSheet(titleSheet, kLogo, 198, 100);
    if (cursor >= 0 && cursor < 3) {
        const MenuItem& item = kItems[cursor];
        drawFromSheet(titleSheet, item.highlighted, item.highlightedX, item.y);
    }
    for (int i : {kStartItem, kRankingItem, kQuitItem}) {
        if (i == cursor) continue;
        drawFromSheet(titleSheet, kItems[i].plain, kItems[i].plainX, kItems[i].y);
    }

    if (decided && drawFade(fadeTexture.get(), fadeLevel)) fadeDone = 1;
    gSprite->setTransform(Matrix::identity());
}

void TitleScene::release() {
    backdrop.release();
    SoundBuffer::release(decideSound);
    SoundBuffer::release(selectSound);
    SoundBuffer::release(bgm);
    decideSound = selectSound = bgm = nullptr;
    fadeTexture.reset();
    TextureCache::release(titleSheet);
    titleSheet = nullptr;
}

}  // namespace hc
