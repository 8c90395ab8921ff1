#pragma once
// The pieces of the ranking list drawn from the ranking sheet; the scene manager's 2-D pass of the
// ranking screen puts them together.
#include "platform/device.h"
#include "scenes/ranking_table.h"

namespace hc {

// One entry: place, name and stage and score, on the row of its position relative to scroll (rows
// 94 pixels apart from y 132).
void drawRankingRow(Texture* sheet, float scroll, RankingRecord record);
// The arrow down when further pages follow, the arrow up when the list is scrolled; arrowPhase bobs
// them (0 ... 44).
void drawScrollArrows(Texture* sheet, float arrowPhase, float scroll, float count);
// The caption over the list: the story list or the endless one.
void drawListLabel(Texture* sheet, int showsNormalList);

}  // namespace hc
