#include "scenes/ranking_entry.h"

#include <cstdio>
#include <cstring>

#include "engine/frame_timer.h"
#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/image.h"

namespace hc {

namespace {

constexpr Colour kWhite = 0xFFFFFFFFu;
constexpr Colour kColourKey = 0xFF00FF00u;
constexpr int kSheetWidth = 1920;
constexpr int kSheetHeight = 1080;

constexpr int kRepeatTicks = 12;  // a held stick changes the letter every 14 ticks
constexpr float kStickThreshold = 500;
constexpr int kShownEntries = 5;
constexpr int kCell = 32;
constexpr float kArrowSpeed = 15;  // pixels a second
constexpr float kArrowTravel = 14;
constexpr unsigned int kFadeStep = 3;

float rowY(int position) { return static_cast<float>(position - 1) * 94.0f + 132.0f; }

// The glyph cell of letter 0 ... 26 (26 is the blank's picture).
Rect letterCell(int letter) { return Rect{kCell * letter, 0, kCell * letter + kCell, 36}; }

}  // namespace

bool RankingEntry::init(int endlessModeIn) {
    if (gDevice) sheet = createTextureFromFile(*gDevice, kSheetPath, kSheetWidth, kSheetHeight, kColourKey);
    if (!sheet) {
        char message[256];
        std::snprintf(message, sizeof message, "テクスチャの読み込みに失敗しました\nファイル名 \"%s\"", kSheetPath);
        showError(message);
        return false;
    }
    if (!backdrop.init()) return false;
    endlessMode = endlessModeIn ? 1 : 0;
    if (!table.read(rankingPath(endlessMode))) return false;
    if (!SoundBuffer::load("Resource_Blade/SE/Harbor Tone Works/title_select_se.wav", selectSound)) return false;
    if (!SoundBuffer::load("Resource_Blade/SE/Duskforge/cancell_se.wav", letterSound)) return false;
    return true;
}

int RankingEntry::firstOpenSlot() const {
    for (int i = 0; i < kSlotCount; ++i)
        if (!slots[i].filled) return i;
    return -1;
}

int RankingEntry::update() {
    if (!written) {
        const float x = gInput.leftStickX;
        if (repeatTimer > kRepeatTicks && (x > kStickThreshold || x < -kStickThreshold)) {
            if (letterSound) letterSound->restart();
            repeatTimer = 0;
            if (x > kStickThreshold) {
                currentLetter = currentLetter >= kBlank ? 0 : currentLetter + 1;
            } else {
                currentLetter = currentLetter <= 0 ? kBlank : currentLetter - 1;
            }
        } else if (repeatTimer <= kRepeatTicks) {
            repeatTimer += 1;
        }

        const bool confirm = gInput.padHit(PadButton::B);
        if (confirm) {
            const int open = firstOpenSlot();
            if (open >= 0) {
                if (selectSound) selectSound->restart();
                slots[open].filled = 1;
                slots[open].letter = currentLetter;
                cursorSlot += 1;
                currentLetter = 0;
            }
        }

        if (gInput.padHit(PadButton::A)) {
            const int open = firstOpenSlot();
            if (open > 0) {
                if (selectSound) selectSound->restart();
                Slot& previous = slots[open - 1];
                previous.filled = 0;
                currentLetter = previous.letter;
                previous.letter = kBlank;
                cursorSlot -= 1;
            }
        }

        // The press that fills the fifth slot commits at once.
        if (slots[kSlotCount - 1].filled && confirm) commit();
    }
    backdrop.update();
    return done ? 0 : 1;
}

void RankingEntry::commit() {
    for (Slot& slot : slots) slot.letter = slot.letter == kBlank ? ' ' : 'A' + slot.letter;
    std::memset(ownRecord.name, 0, sizeof ownRecord.name);
    for (int j = 0; j < kSlotCount; ++j) ownRecord.name[j] = static_cast<char>(slots[j].letter);

    RankingRecord added;
    added.position = 0;
    std::memcpy(added.name, ownRecord.name, sizeof added.name);
    added.stage = ownRecord.stage;
    added.score = ownRecord.score;
    // A failed write goes unreported: the run carries on as if it had been saved, and the table keeps
    // the list as it was.
    table.insertAndWrite(added, rankingPath(endlessMode));
    written = 1;
}

void RankingEntry::drawCell(const Rect& source, float x, float y) {
    gSprite->setTransform(matrixTranslation(x, y, 0));
    gSprite->draw(sheet.get(), &source, nullptr, nullptr, kWhite);
}

// Digit by digit from the right edge leftwards; 0 or less still shows one digit.
void RankingEntry::drawNumber(int value, float right, float y) {
    int k = 0;
    do {
        const int d = value % 10;
        drawCell(Rect{kCell * d, 36, kCell * d + kCell, 64}, right - static_cast<float>(kCell * k), y);
        value /= 10;
        ++k;
    } while (value > 0);
}

void RankingEntry::drawStoredRow(const RankingRecord& record) {
    const float y = rowY(record.position);
    for (int j = 0; j < kSlotCount && record.name[j] != 0; ++j) {
        const int c = static_cast<unsigned char>(record.name[j]);
        const int x = (c - 65) * kCell;
        const bool letterRow = c >= 'A' && c <= '^';
        drawCell(letterRow ? Rect{x, 0, x + kCell, 36} : Rect{x, 36, x + kCell, 64}, 350.0f + 36.0f * j, y);
    }
    drawNumber(record.position, 220, y);
    drawNumber(record.stage, 751, y);
    drawNumber(record.score, 1072, y);
}

void RankingEntry::draw(TextureEntry* fadeTexture) {
    if (!gSprite || !sheet) return;

    drawCell(Rect{0, 64, 1020, 160}, 0, 0);
    drawCell(Rect{0, 160, 1180, 736}, 0, 96);
    drawCell(Rect{480, 736, 608, 800}, 1024, 28);

    const int shown = table.count() < kShownEntries ? table.count() : kShownEntries;
    for (int i = 0; i < shown; ++i) drawStoredRow(table.records[static_cast<std::size_t>(i)]);

    drawCell(Rect{224, 736, 352, 800}, 96, 580);
    const int labelTop = endlessMode ? 793 : 736;
    drawCell(Rect{608, labelTop, 802, labelTop + 47}, 280, 22);

    // The run's own row: its stage and score; the name is drawn below.
    const float ownY = rowY(ownRecord.position);
    drawNumber(ownRecord.stage, 751, ownY);
    drawNumber(ownRecord.score, 1072, ownY);

    if (written) {
        for (int j = 0; j < kSlotCount; ++j) {
            const int x = (slots[j].letter - 65) * kCell;
            drawCell(Rect{x, 0, x + kCell, 36}, 386.0f + 36.0f * j, ownY);
        }
    } else {
        for (int j = 0; j < kSlotCount; ++j) drawCell(letterCell(slots[j].letter), 386.0f + 36.0f * j, ownY);
        const float cursorX = 36.0f * static_cast<float>(cursorSlot);
        drawCell(letterCell(currentLetter), 350.0f + cursorX, 602);
        drawCell(Rect{352, 736, 416, 800}, 274.0f + cursorX - arrowOffset, 588);
        drawCell(Rect{416, 736, 480, 800}, 326.0f + cursorX + arrowOffset, 588);
        // The one animation measured in time rather than ticks.
        arrowOffset += gFrameTimer.lastTickSeconds * kArrowSpeed;
        if (arrowOffset >= kArrowTravel) arrowOffset = 0;
    }

    if (written) {
        fadeLevel += kFadeStep;
        if (fadeTexture) {
            gSprite->setTransform(Matrix::identity());
            gSprite->draw(fadeTexture->texture.get(), nullptr, nullptr, nullptr,
                          (static_cast<Colour>(fadeLevel) << 24) | 0x00FFFFFFu);
        }
        if (fadeLevel >= 255) {
            fadeLevel = 0;
            done = 1;
        }
    }
}

void RankingEntry::release() {
    SoundBuffer::release(letterSound);
    letterSound = nullptr;
    SoundBuffer::release(selectSound);
    selectSound = nullptr;
    table.release();
    backdrop.release();
    sheet.reset();
}

}  // namespace hc
