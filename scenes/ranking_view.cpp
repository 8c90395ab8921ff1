#include "scenes/ranking_view.h"

#include <cstdint>

#include "engine/services.h"

namespace hc {

namespace {

constexpr Colour kWhite = 0xFFFFFFFFu;
constexpr int kCellWidth = 32;
constexpr float kRowPitch = 94;
constexpr float kFirstRowY = 132;
constexpr float kNameX = 350;
constexpr float kNameAdvance = 36;
constexpr float kPositionRight = 220;
constexpr float kStageRight = 751;
constexpr float kScoreRight = 1072;
constexpr int kNameBytes = 5;

void drawCell(Texture* sheet, const Rect& source, float x, float y) {
    gSprite->setTransform(matrixTranslation(x, y, 0));
    gSprite->draw(sheet, &source, nullptr, nullptr, kWhite);
}

// Digits from the right edge leftwards; 0 still shows one digit.
void drawNumber(Texture* sheet, std::uint32_t value, float right, float y) {
    int k = 0;
    do {
        const int d = static_cast<int>(value % 10u);
        drawCell(sheet, Rect{kCellWidth * d, 36, kCellWidth * d + kCellWidth, 64}, right - kCellWidth * k, y);
        value /= 10u;
        ++k;
    } while (value != 0);
}

}  // namespace

void drawRankingRow(Texture* sheet, float scroll, RankingRecord record) {
    const std::uint32_t row = static_cast<std::uint32_t>(record.position) - 1u;
    const float y = (static_cast<float>(row) - scroll) * kRowPitch + kFirstRowY;

    for (int j = 0; j < kNameBytes && record.name[j] != 0; ++j) {
        const int c = record.name[j];
        // Letters A to ^ sit on the top row; anything else (a blank letter is a space) selects a
        // cell left of the digit row, outside the sheet, whose edge there is empty.
        const Rect source = static_cast<unsigned>(c - 'A') < 30u
                                ? Rect{kCellWidth * (c - 65), 0, kCellWidth * (c - 65) + kCellWidth, 36}
                                : Rect{kCellWidth * (c - 95), 36, kCellWidth * (c - 95) + kCellWidth, 64};
        drawCell(sheet, source, kNameX + kNameAdvance * j, y);
    }

    drawNumber(sheet, static_cast<std::uint32_t>(record.position), kPositionRight, y);
    drawNumber(sheet, static_cast<std::uint32_t>(record.stage), kStageRight, y);
    drawNumber(sheet, static_cast<std::uint32_t>(record.score), kScoreRight, y);
}

void drawScrollArrows(Texture* sheet, float arrowPhase, float scroll, float count) {
    if (count - 6 > scroll + 1) drawCell(sheet, Rect{64, 736, 128, 832}, 1182, 538 + arrowPhase * 0.5f);
    if (scroll > 0) drawCell(sheet, Rect{0, 736, 64, 832}, 1182, 94 - arrowPhase * 0.5f);
}

void drawListLabel(Texture* sheet, int showsNormalList) {
    const int top = showsNormalList == 1 ? 736 : 793;
    drawCell(sheet, Rect{608, top, 802, top + 47}, 280, 22);
}

}  // namespace hc
