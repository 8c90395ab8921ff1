#include "scenes/ranking_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "tests/unit/events_test_support.h"

namespace hc {
namespace {

using events_test::DataTree;
using events_test::Services;

const std::string kNormal = RankingEntry::kNormalPath;
const std::string kEndless = RankingEntry::kEndlessPath;
const std::string kFiveEntries =
    "1-ROWEN-30-168400-\n2-GRAYS-27-121300-\n3-CREST-21-86500-\n4-ASHEN-14-47200-\n5-GOLEM-9-23800-\n";

class RankingEntryTest : public ::testing::Test {
protected:
    DataTree tree;
    Services services;
    RankingEntry entry;

    void SetUp() override {
        HC_REQUIRE_DATA_TREE(tree);
        DataTree::write(kNormal, kFiveEntries + "6-KNGHT-5-9600-\n7-SEVEN-4-500-\n");
        DataTree::write(kEndless, "1-ENDLS-40-99999-\n");
    }
    void TearDown() override {
        entry.release();
        EXPECT_EQ(TextureCache::size(), 0u);
        EXPECT_EQ(MeshCache::size(), 0u);
        EXPECT_EQ(soundCacheSize(), 0u);
    }

    void start(int endless = 0, int stage = 12, int score = 3456) {
        ASSERT_TRUE(entry.init(endless));
        entry.ownRecord.position = 6;
        entry.ownRecord.stage = stage;
        entry.ownRecord.score = score;
    }
    int tick(std::uint32_t buttons = 0, float stickX = 0) {
        Services::press(buttons, stickX);
        const int r = entry.update();
        Services::press(0);
        return r;
    }
    // Moves the letter under the cursor to the target the short way round, as a player would.
    void choose(int letter) {
        int guard = 0;
        while (entry.currentLetter != letter && ++guard < 1000) {
            const int forward = (letter - entry.currentLetter + 27) % 27;
            tick(0, forward <= 13 ? 1000.0f : -1000.0f);
        }
        ASSERT_EQ(entry.currentLetter, letter);
    }
    void type(const std::vector<int>& letters) {
        for (int letter : letters) {
            choose(letter);
            tick(padBit(PadButton::B));
        }
    }
    // The draws of one 2-D pass.
    std::vector<ScreenDraw> frame(TextureEntry* fade = nullptr) {
        services.beginSprites();
        entry.draw(fade);
        return services.endSprites();
    }
    // The sheet cell drawn with its top-left corner at (x, y), if any.
    static std::optional<Rect> cellAt(const std::vector<ScreenDraw>& draws, int x, int y) {
        for (const ScreenDraw& d : draws)
            if (d.screen.left == x && d.screen.top == y) return d.source;
        return std::nullopt;
    }
    static bool sameRect(const std::optional<Rect>& r, Rect e) {
        return r && r->left == e.left && r->top == e.top && r->right == e.right && r->bottom == e.bottom;
    }
};

TEST_F(RankingEntryTest, InitTakesTheSheetAtItsOwnSizeAndTheModesList) {
    start(0);
    ASSERT_NE(entry.sheet, nullptr);
    EXPECT_EQ(entry.sheet->width, 1920);
    EXPECT_EQ(entry.sheet->height, 1080);
    EXPECT_EQ(entry.table.count(), 7);
    EXPECT_GT(entry.backdrop.chipCount, 0u);
    EXPECT_NE(entry.selectSound, nullptr);
    EXPECT_NE(entry.letterSound, nullptr);
    EXPECT_EQ(entry.cursorSlot, 1);
    for (const RankingEntry::Slot& s : entry.slots) {
        EXPECT_EQ(s.letter, RankingEntry::kBlank);
        EXPECT_EQ(s.filled, 0);
    }
    entry.release();
    entry = RankingEntry{};
    start(1);
    ASSERT_EQ(entry.table.count(), 1);
    EXPECT_STREQ(entry.table.records[0].name, "ENDLS");
}

TEST_F(RankingEntryTest, AMissingFileFailsWithItsMessage) {
    struct Case {
        const char* name;
        std::string removed;
        const char* named;
    };
    const Case cases[] = {
        {"ranking file", kNormal, "ranking_date"},
        {"sheet", RankingEntry::kSheetPath, "ranking_chip.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataTree::write(kNormal, kFiveEntries);
        if (!std::filesystem::exists(RankingEntry::kSheetPath))
            std::filesystem::create_symlink(DataTree::shipped("Ranking/ranking_chip.png"), RankingEntry::kSheetPath);
        std::filesystem::remove(c.removed);
        services.platform.messages.clear();
        RankingEntry failing;
        EXPECT_FALSE(failing.init(0));
        ASSERT_EQ(services.platform.messages.size(), 1u);
        EXPECT_NE(services.platform.messages[0].text.find(c.named), std::string::npos);
        failing.release();
    }
}

TEST_F(RankingEntryTest, AHeldStickChangesTheLetterEvery14TicksAndWrapsThroughTheBlank) {
    start();
    // Straight after init the timer has to run past 12 first.
    for (int i = 0; i < 13; ++i) tick(0, 1000);
    EXPECT_EQ(entry.currentLetter, 0);
    tick(0, 1000);
    EXPECT_EQ(entry.currentLetter, 1);
    EXPECT_TRUE(entry.letterSound->buffer->playing());
    for (int i = 0; i < 13; ++i) tick(0, 1000);
    EXPECT_EQ(entry.currentLetter, 1);
    tick(0, 1000);
    EXPECT_EQ(entry.currentLetter, 2);
    // After 13 neutral ticks the next push acts at once; a stick at exactly 500 is neutral.
    for (int i = 0; i < 13; ++i) tick(0, i % 2 ? 500.0f : -500.0f);
    tick(0, -1000);
    EXPECT_EQ(entry.currentLetter, 1);

    struct Case {
        int from;
        float stick;
        int to;
    };
    for (const Case& c : {Case{0, -1000, 26}, Case{26, 1000, 0}, Case{25, 1000, 26}, Case{26, -1000, 25}}) {
        SCOPED_TRACE(c.from);
        entry.currentLetter = c.from;
        for (int i = 0; i < 13; ++i) tick();
        tick(0, c.stick);
        EXPECT_EQ(entry.currentLetter, c.to);
    }
}

TEST_F(RankingEntryTest, ConfirmingWithoutMovingEntersA) {
    start();
    tick(padBit(PadButton::B));
    EXPECT_EQ(entry.slots[0].filled, 1);
    EXPECT_EQ(entry.slots[0].letter, 0);
    EXPECT_EQ(entry.cursorSlot, 2);
    EXPECT_TRUE(entry.selectSound->buffer->playing());
    choose(7);
    tick(padBit(PadButton::B));
    EXPECT_EQ(entry.slots[1].letter, 7);
    EXPECT_EQ(entry.currentLetter, 0);  // back to A after every confirm
}

TEST_F(RankingEntryTest, TakingBackRestoresTheLastLetterAndBlanksItsSlot) {
    start();
    tick(padBit(PadButton::A));  // nothing to take back in the first slot
    EXPECT_EQ(entry.cursorSlot, 1);
    EXPECT_FALSE(entry.selectSound->buffer->playing());

    type({0, 1, 2, 3});
    EXPECT_EQ(entry.cursorSlot, 5);
    tick(padBit(PadButton::A));
    EXPECT_EQ(entry.slots[3].filled, 0);
    EXPECT_EQ(entry.slots[3].letter, RankingEntry::kBlank);
    EXPECT_EQ(entry.currentLetter, 3);
    EXPECT_EQ(entry.cursorSlot, 4);
    EXPECT_EQ(entry.slots[2].filled, 1);
    tick(padBit(PadButton::B));  // the restored letter goes straight back in
    EXPECT_EQ(entry.slots[3].letter, 3);
}

TEST_F(RankingEntryTest, BothButtonsInOneTickConfirmThenTakeBack) {
    start();
    type({4, 5});
    choose(9);
    tick(padBit(PadButton::A) | padBit(PadButton::B));
    EXPECT_EQ(entry.slots[2].filled, 0);
    EXPECT_EQ(entry.slots[2].letter, RankingEntry::kBlank);
    EXPECT_EQ(entry.currentLetter, 9);
    EXPECT_EQ(entry.cursorSlot, 3);
    // On the fifth letter there is nothing left to take back: the name is committed.
    type({9, 9});
    choose(9);
    tick(padBit(PadButton::A) | padBit(PadButton::B));
    EXPECT_EQ(entry.written, 1);
    EXPECT_STREQ(entry.ownRecord.name, "EFJJJ");
}

TEST_F(RankingEntryTest, TheFifthConfirmWritesTheNameIntoTheModesFile) {
    struct Case {
        const char* name;
        int endless;
        std::string before;
        std::vector<int> letters;
        int score;
        std::string after;
    };
    const Case cases[] = {
        {"empty file gives position 1", 0, "", {0, 1, 2, 3, 4}, 120, "1-ABCDE-12-120-\n"},
        {"five blanks are five spaces", 0, "1-AAAAA-9-500-\n", {26, 26, 26, 26, 26}, 100, "1-AAAAA-9-500-\n2-     -12-100-\n"},
        {"a new best moves everyone down", 1, "1-ENDLS-40-99999-\n", {25, 26, 0, 26, 25}, 100000, "1-Z A Z-12-100000-\n2-ENDLS-40-99999-\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        entry.release();
        entry = RankingEntry{};
        DataTree::write(c.endless ? kEndless : kNormal, c.before);
        const std::string other = DataTree::read(c.endless ? kNormal : kEndless);
        start(c.endless, 12, c.score);
        type(c.letters);
        EXPECT_EQ(entry.written, 1);
        EXPECT_EQ(entry.cursorSlot, 6);
        EXPECT_EQ(DataTree::read(c.endless ? kEndless : kNormal), c.after);
        EXPECT_EQ(DataTree::read(c.endless ? kNormal : kEndless), other);
        // The table now holds what the file holds.
        EXPECT_EQ(static_cast<std::size_t>(entry.table.count()), std::count(c.after.begin(), c.after.end(), '\n'));
        // Input after the commit changes nothing.
        const std::string written = DataTree::read(c.endless ? kEndless : kNormal);
        tick(padBit(PadButton::B), 1000);
        tick(padBit(PadButton::A));
        EXPECT_EQ(DataTree::read(c.endless ? kEndless : kNormal), written);
        EXPECT_EQ(entry.slots[4].filled, 1);
    }
}

TEST_F(RankingEntryTest, AFailedWriteIsNotReportedAndTheRunGoesOn) {
    DataTree::write(kNormal, kFiveEntries);
    std::filesystem::create_directory(kNormal + ".new");  // the writer cannot create its new file
    start();
    type({0, 0, 0, 0, 0});
    EXPECT_EQ(entry.written, 1);
    EXPECT_TRUE(services.platform.messages.empty());
    EXPECT_EQ(DataTree::read(kNormal), kFiveEntries);
    EXPECT_EQ(entry.table.count(), 5);
    TextureEntry* fade = nullptr;
    ASSERT_TRUE(TextureCache::load(fade, "Resource_Blade/end_secnのコピー.png"));
    for (int i = 0; i < 85; ++i) frame(fade);
    EXPECT_EQ(tick(), 0);
    TextureCache::release(fade);
}

TEST_F(RankingEntryTest, TheTopFiveAndTheOwnRowAreDrawnFromTheSheet) {
    start(0, 12, 3456);
    type({0, 1});
    choose(2);
    auto draws = frame();
    for (const ScreenDraw& d : draws) EXPECT_EQ(d.texture, entry.sheet.get());
    EXPECT_TRUE(sameRect(cellAt(draws, 0, 0), {0, 64, 1020, 160}));
    EXPECT_TRUE(sameRect(cellAt(draws, 0, 96), {0, 160, 1180, 736}));
    EXPECT_TRUE(sameRect(cellAt(draws, 1024, 28), {480, 736, 608, 800}));
    EXPECT_TRUE(sameRect(cellAt(draws, 96, 580), {224, 736, 352, 800}));
    EXPECT_TRUE(sameRect(cellAt(draws, 280, 22), {608, 736, 802, 783}));
    // Row 1 of the file: "1-ROWEN-30-168400-" at y 132; rows 6 and 7 are not shown.
    EXPECT_TRUE(sameRect(cellAt(draws, 350, 132), {32 * ('R' - 65), 0, 32 * ('R' - 65) + 32, 36}));
    EXPECT_TRUE(sameRect(cellAt(draws, 350 + 4 * 36, 132), {32 * ('N' - 65), 0, 32 * ('N' - 65) + 32, 36}));
    EXPECT_TRUE(sameRect(cellAt(draws, 220, 132), {32, 36, 64, 64}));            // position 1
    EXPECT_TRUE(sameRect(cellAt(draws, 751, 132), {0, 36, 32, 64}));             // stage 30: 0 ...
    EXPECT_TRUE(sameRect(cellAt(draws, 719, 132), {96, 36, 128, 64}));           // ... then 3
    EXPECT_TRUE(sameRect(cellAt(draws, 1072 - 5 * 32, 132), {32, 36, 64, 64}));  // 168400 ends in 1
    EXPECT_TRUE(sameRect(cellAt(draws, 350, 132 + 4 * 94), {32 * ('G' - 65), 0, 32 * ('G' - 65) + 32, 36}));
    EXPECT_FALSE(cellAt(draws, 220, 132 + 6 * 94));
    // The own row in sixth place: stage and score, no position number.
    EXPECT_TRUE(sameRect(cellAt(draws, 751, 602), {64, 36, 96, 64}));     // 12: 2 ...
    EXPECT_TRUE(sameRect(cellAt(draws, 719, 602), {32, 36, 64, 64}));     // ... then 1
    EXPECT_TRUE(sameRect(cellAt(draws, 1072, 602), {192, 36, 224, 64}));  // 3456 ends in 6
    EXPECT_FALSE(cellAt(draws, 220, 602));
    // The name: A, B, then blanks; the current letter C under the cursor in slot 3, with its arrows.
    EXPECT_TRUE(sameRect(cellAt(draws, 386, 602), {0, 0, 32, 36}));
    EXPECT_TRUE(sameRect(cellAt(draws, 422, 602), {32, 0, 64, 36}));
    EXPECT_TRUE(sameRect(cellAt(draws, 386 + 4 * 36, 602), {832, 0, 864, 36}));
    std::vector<int> atCursor;
    for (const ScreenDraw& d : draws)
        if (d.screen.left == 458 && d.screen.top == 602) atCursor.push_back(d.source.left);
    EXPECT_EQ(atCursor, (std::vector<int>{832, 64}));  // C, drawn over the blank of slot 3
    EXPECT_TRUE(sameRect(cellAt(draws, 274 + 108, 588), {352, 736, 416, 800}));
    EXPECT_TRUE(sameRect(cellAt(draws, 326 + 108, 588), {416, 736, 480, 800}));

    // The endless list has its own label.
    entry.release();
    entry = RankingEntry{};
    start(1);
    EXPECT_TRUE(sameRect(cellAt(frame(), 280, 22), {608, 793, 802, 840}));
}

TEST_F(RankingEntryTest, StoredNamesOutsideTheLettersUseTheDigitRow) {
    DataTree::write(kNormal, "1-A^_ 0-0-0-\n2-\xff\x80zz\x01-4294967295-2147483648-\n");
    start();
    auto draws = frame();
    EXPECT_TRUE(sameRect(cellAt(draws, 350, 132), {0, 0, 32, 36}));
    EXPECT_TRUE(sameRect(cellAt(draws, 386, 132), {32 * 29, 0, 32 * 30, 36}));     // '^'
    EXPECT_TRUE(sameRect(cellAt(draws, 422, 132), {32 * 30, 36, 32 * 31, 64}));    // '_'
    EXPECT_TRUE(sameRect(cellAt(draws, 458, 132), {32 * -33, 36, 32 * -32, 64}));  // ' '
    EXPECT_TRUE(sameRect(cellAt(draws, 1072, 132), {0, 36, 32, 64}));              // a score of 0 is one digit
    EXPECT_FALSE(cellAt(draws, 1040, 132));
    // Numbers that read back negative show one digit from left of the sheet, and any byte of a name
    // picks some cell: nothing is read outside the record.
    EXPECT_TRUE(sameRect(cellAt(draws, 751, 226), {-32, 36, 0, 64}));       // -1
    EXPECT_TRUE(sameRect(cellAt(draws, 1072, 226), {-256, 36, -224, 64}));  // -2147483648
    EXPECT_FALSE(cellAt(draws, 719, 226));
    EXPECT_FALSE(cellAt(draws, 1040, 226));
    EXPECT_TRUE(sameRect(cellAt(draws, 350, 226), {32 * (255 - 65), 36, 32 * (256 - 65), 64}));
}

TEST_F(RankingEntryTest, TheArrowsMoveWithTheTimeOfTheLastTick) {
    start();
    gFrameTimer.lastTickSeconds = 1.0f / 60.0f;
    frame();
    EXPECT_FLOAT_EQ(entry.arrowOffset, 0.25f);
    for (int i = 1; i < 55; ++i) frame();
    EXPECT_FLOAT_EQ(entry.arrowOffset, 13.75f);
    frame();  // drawn at 13.75; then the offset reaches 14 and restarts
    EXPECT_EQ(entry.arrowOffset, 0.0f);
    gFrameTimer.lastTickSeconds = 2.0f;  // a stall
    frame();
    EXPECT_EQ(entry.arrowOffset, 0.0f);
}

TEST_F(RankingEntryTest, TheFadeAfterTheCommitShowsTheListAsTheFileNowHoldsIt) {
    DataTree::write(kNormal, kFiveEntries);
    start(0, 30, 999999);
    type({13, 4, 22, 4, 17});
    TextureEntry* fade = nullptr;
    ASSERT_TRUE(TextureCache::load(fade, "Resource_Blade/end_secnのコピー.png"));
    for (int f = 1; f <= 85; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(tick(), 1);
        auto draws = frame(fade);
        ASSERT_FALSE(draws.empty());
        EXPECT_EQ(draws.back().texture, fade->texture.get());
        EXPECT_EQ(draws.back().colour >> 24, static_cast<Colour>(3 * f));
        // The new best is row 1, the old first row 2; the old fifth has dropped out of the top five.
        EXPECT_TRUE(sameRect(cellAt(draws, 350, 132), {32 * 13, 0, 32 * 14, 36}));
        EXPECT_TRUE(sameRect(cellAt(draws, 350, 226), {32 * ('R' - 65), 0, 32 * ('R' - 65) + 32, 36}));
        EXPECT_FALSE(cellAt(draws, 350, 602));
        // The committed name in the own row, from the character codes.
        EXPECT_TRUE(sameRect(cellAt(draws, 386, 602), {32 * 13, 0, 32 * 14, 36}));
    }
    EXPECT_EQ(entry.done, 1);
    EXPECT_EQ(entry.fadeLevel, 0u);
    EXPECT_EQ(tick(), 0);
    TextureCache::release(fade);
}

}  // namespace
}  // namespace hc
