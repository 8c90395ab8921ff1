// The ranking screen: paging by six with its repeat, the list drawn by the scene manager's pass (panel,
// rows, arrows, label), a row's glyphs, the leaving fade and the music.
#include "scenes/ranking_scene.h"

#include <set>

#include "app/scene_manager.h"
#include "front_end_test_support.h"
#include "scenes/ranking_view.h"

namespace hc {
namespace {

constexpr std::uint32_t kB = padBit(PadButton::B);
constexpr float kUp = -800;
constexpr float kDown = 800;

const Rect kDownArrow{64, 736, 128, 832};
const Rect kUpArrow{0, 736, 64, 832};

bool sameRect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class RankingSceneTest : public frontend::FrontEndServices {
protected:
    frontend::ScratchDir dir;
    // The manager owns the scene, as in the program; its draw runs the ranking's 2-D pass.
    SceneManager manager;

    ~RankingSceneTest() override {
        manager.releaseAll();
        expectCachesEmpty();
    }

    RankingScene& open(int normalEntries, int endlessEntries = 6, int endlessMode = 0) {
        frontend::writeFrontEndFiles(normalEntries, endlessEntries);
        manager.endlessMode = endlessMode;
        manager.updateIndex = SceneManager::kRankingInit;
        manager.drawIndex = SceneManager::kRankingEnter;
        manager.sceneKind = SceneManager::kRanking;
        EXPECT_EQ(manager.update(), 1);
        manager.draw();
        EXPECT_NE(manager.rankingScene, nullptr);
        return *manager.rankingScene;
    }

    int tick(float stickY = 0, std::uint32_t held = 0) {
        setInput(stickY, held);
        return manager.rankingScene->update();
    }

    // One drawn frame of the ranking through the scene manager: its sprite draws.
    std::vector<ScreenDraw> frame() {
        device->calls.clear();
        manager.draw();
        return screenDraws(device->calls);
    }

    std::vector<ScreenDraw> drawsOf(const std::vector<ScreenDraw>& drawn, const Rect& source) {
        std::vector<ScreenDraw> out;
        for (const ScreenDraw& d : drawn)
            if (sameRect(d.source, source)) out.push_back(d);
        return out;
    }

    // Screen rows that show an entry: the tops of the place numbers' last digits (right edge 220).
    std::set<int> rowsShown(const std::vector<ScreenDraw>& drawn) {
        std::set<int> tops;
        for (const ScreenDraw& d : drawn)
            if (d.screen.left == 220 && d.source.top == 36) tops.insert(d.screen.top);
        return tops;
    }
};

TEST_F(RankingSceneTest, InitReadsTheListOfTheModeAndPicksItsLabel) {
    struct Case {
        int endless;
        int count;
        int showsNormal;
        Rect label;
    };
    const Case cases[] = {{0, 7, 1, {608, 736, 802, 783}}, {1, 9, 0, {608, 793, 802, 840}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endless);
        RankingScene& ranking = open(7, 9, c.endless);
        EXPECT_EQ(ranking.table.count(), c.count);
        EXPECT_EQ(ranking.showsNormalList, c.showsNormal);
        EXPECT_EQ(ranking.scroll, 0);
        const std::vector<ScreenDraw> label = drawsOf(frame(), c.label);
        ASSERT_EQ(label.size(), 1u);
        EXPECT_EQ(label[0].screen.left, 280);
        EXPECT_EQ(label[0].screen.top, 22);
        manager.releaseAll();
    }
}

TEST_F(RankingSceneTest, EachMissingFileFailsInitWithAMessage) {
    struct Case {
        const char* removed;
        const char* message;
    };
    const Case cases[] = {
        {"Resource_Blade/Ranking/ranking_date",
         "ランキング情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/Ranking/ranking_date\""},
        {"Resource_Blade/Ranking/ranking_chip.png", "テクスチャの読み込みに失敗しました"},
        {"Resource_Blade/end_secnのコピー.png", "テクスチャの読み込みに失敗しました"},
        {"Resource_Blade/BGM/Lullow/Ranking.wav", "音楽ファイルのロードに失敗しました\n(ファイルの読み込み)"},
        {"Resource_Blade/CSV/Field_3.csv",
         "フィールド情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/CSV/Field_3.csv\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        frontend::writeFrontEndFiles();
        std::filesystem::remove(c.removed);
        messages().clear();
        RankingScene ranking;
        EXPECT_FALSE(ranking.init(0));
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, c.message);
        ranking.release();
        expectCachesEmpty();
    }
}

TEST_F(RankingSceneTest, AHeldStickPagesBySixEveryFourteenTicksAndStopsAtTheLastPage) {
    struct Case {
        int entries;
        std::vector<float> scrolls;  // after each step of a held stick down
    };
    const Case cases[] = {{6, {0, 0}}, {7, {6, 6, 6}}, {8, {6, 6}}, {13, {6, 12, 12}}, {0, {0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        RankingScene& ranking = open(c.entries);
        float before = 0;
        for (float expected : c.scrolls) {
            for (int i = 0; i < 13; ++i) tick(kDown);
            EXPECT_EQ(ranking.scroll, before);
            tick(kDown);
            EXPECT_EQ(ranking.scroll, expected);
            EXPECT_EQ(ranking.repeatTimer, 0);
            // The step sound plays even when the list cannot move.
            EXPECT_TRUE(ranking.selectSound->buffer->playing());
            advanceSeconds(1);
            before = expected;
        }
        for (int step = 0; step < 3; ++step)
            for (int i = 0; i < 14; ++i) tick(kUp);
        EXPECT_EQ(ranking.scroll, 0);
        manager.releaseAll();
    }
}

TEST_F(RankingSceneTest, AStickLetGoWaitsForTheTimerAndThenStepsAtOnce) {
    RankingScene& ranking = open(20);
    for (int i = 0; i < 40; ++i) tick(0);
    EXPECT_EQ(ranking.repeatTimer, 13);  // it stops counting once past 12
    tick(kDown);
    EXPECT_EQ(ranking.scroll, 6);
    tick(0);
    tick(kDown);  // too soon after the last step
    EXPECT_EQ(ranking.scroll, 6);
    tick(-500);  // the band's edge is neutral
    tick(500);
    for (int i = 0; i < 13; ++i) tick(0);
    tick(kUp);
    EXPECT_EQ(ranking.scroll, 0);
}

TEST_F(RankingSceneTest, PagesOfSevenAndEightEntriesWithTheirArrows) {
    struct Page {
        float scroll;
        std::set<int> rows;  // screen tops of the rows shown
        bool downArrow;
        bool upArrow;
        int panelBottom;
    };
    struct Case {
        int entries;
        std::vector<Page> pages;
    };
    const std::set<int> fullPage{132, 226, 320, 414, 508, 602};
    const Case cases[] = {
        // Seven: the second page holds row 7 alone, but the first page shows no arrow down.
        {7, {{0, fullPage, false, false, 736}, {6, {132}, false, true, 256}}},
        {8, {{0, fullPage, true, false, 736}, {6, {132, 226}, false, true, 352}}},
        {0, {{0, {}, false, false, 160}}},
        {6, {{0, fullPage, false, false, 736}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        RankingScene& ranking = open(c.entries);
        for (const Page& page : c.pages) {
            SCOPED_TRACE(page.scroll);
            ranking.scroll = page.scroll;
            ranking.arrowPhase = 10;
            const std::vector<ScreenDraw> drawn = frame();
            ASSERT_FALSE(drawn.empty());
            // The panel comes first, from the sheet's top 64, shortened for empty row places.
            EXPECT_TRUE(sameRect(drawn[0].source, Rect{0, 64, 1180, page.panelBottom}));
            EXPECT_EQ(drawn[0].screen.top, 0);
            EXPECT_EQ(drawn[0].screen.bottom, page.panelBottom - 64);
            EXPECT_EQ(drawn[0].colour, 0xFFFFFFFFu);
            EXPECT_EQ(rowsShown(drawn), page.rows);
            const std::vector<ScreenDraw> down = drawsOf(drawn, kDownArrow);
            const std::vector<ScreenDraw> up = drawsOf(drawn, kUpArrow);
            ASSERT_EQ(down.size(), page.downArrow ? 1u : 0u);
            ASSERT_EQ(up.size(), page.upArrow ? 1u : 0u);
            if (page.downArrow) {
                EXPECT_EQ(down[0].screen.left, 1182);
                EXPECT_EQ(down[0].screen.top, 543);  // 538 + phase / 2
            }
            if (page.upArrow) {
                EXPECT_EQ(up[0].screen.left, 1182);
                EXPECT_EQ(up[0].screen.top, 89);  // 94 - phase / 2
            }
        }
        manager.releaseAll();
    }
}

TEST_F(RankingSceneTest, TheArrowsBobThroughFortyFivePhases) {
    RankingScene& ranking = open(8);
    std::vector<float> phases;
    for (int i = 0; i < 46; ++i) {
        tick();
        phases.push_back(ranking.arrowPhase);
    }
    EXPECT_EQ(phases[0], 1);
    EXPECT_EQ(phases[43], 44);
    EXPECT_EQ(phases[44], 0);
    EXPECT_EQ(phases[45], 1);
}

TEST_F(RankingSceneTest, ARowPlacesItsGlyphsAndRightAlignedNumbers) {
    open(6);
    Texture* sheet = manager.rankingScene->sheet.get();
    RankingRecord record;
    record.position = 12;
    const char name[5] = {'A', 'B', '^', ' ', 'Z'};
    for (int i = 0; i < 5; ++i) record.name[i] = name[i];
    record.stage = 0;
    record.score = -1;  // 4294967295 as unsigned
    const std::vector<ScreenDraw> drawn = spritePass([&] { drawRankingRow(sheet, 6, record); });

    struct Glyph {
        Rect source;
        int x;
    };
    const int y = (11 - 6) * 94 + 132;
    std::vector<Glyph> expected = {
        {{0, 0, 32, 36}, 350}, {{32, 0, 64, 36}, 386}, {{928, 0, 960, 36}, 422}, {{-2016, 36, -1984, 64}, 458}, {{800, 0, 832, 36}, 494},  // a space falls left of the sheet
        {{64, 36, 96, 64}, 220},
        {{32, 36, 64, 64}, 188},  // 12
        {{0, 36, 32, 64}, 751},   // 0 is one digit
    };
    const char* score = "4294967295";
    for (int k = 0; k < 10; ++k) {
        const int d = score[9 - k] - '0';
        expected.push_back({{32 * d, 36, 32 * d + 32, 64}, 1072 - 32 * k});
    }
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(sameRect(drawn[i].source, expected[i].source))
            << drawn[i].source.left << "," << drawn[i].source.top;
        EXPECT_EQ(drawn[i].screen.left, expected[i].x);
        EXPECT_EQ(drawn[i].screen.top, y);
        EXPECT_EQ(drawn[i].colour, 0xFFFFFFFFu);
    }
}

TEST_F(RankingSceneTest, ANameEndsAtItsFirstZeroByte) {
    open(6);
    RankingRecord record;
    record.position = 1;
    record.name[0] = 'A';
    record.name[1] = 'B';
    record.name[3] = 'C';
    record.stage = 5;
    record.score = 7;
    const std::vector<ScreenDraw> drawn =
        spritePass([&] { drawRankingRow(manager.rankingScene->sheet.get(), 0, record); });
    EXPECT_EQ(drawn.size(), 2u + 3u);
}

TEST_F(RankingSceneTest, LeavingFadesOverEightyFiveFramesThenReturnsToTheTitle) {
    RankingScene& ranking = open(8);
    EXPECT_EQ(tick(0, kB), 0);
    EXPECT_EQ(ranking.leaving, 1);
    EXPECT_TRUE(ranking.decideSound->buffer->playing());
    for (int n = 1; n <= 85; ++n) {
        const std::vector<ScreenDraw> drawn = frame();
        ASSERT_FALSE(drawn.empty());
        const ScreenDraw& fade = drawn.back();
        EXPECT_EQ(fade.texture, ranking.fadeTexture->texture.get());
        EXPECT_EQ(fade.colour, (static_cast<Colour>(3 * n) << 24) | 0x00FFFFFFu);
        EXPECT_EQ(fade.screen.left, 0);
        EXPECT_EQ(fade.screen.top, 0);
        if (n == 40) {
            tick(0, 0);
            EXPECT_EQ(tick(0, kB), 0);  // a second press only replays the sound
            EXPECT_EQ(ranking.leaving, 1);
        }
        setInput(0, 0);
        if (n < 85) {
            EXPECT_EQ(ranking.update(), 0) << n;
        }
    }
    EXPECT_EQ(ranking.fadeLevel, 255u);
    // Through the manager: the update after the opaque frame leaves, and the title comes next.
    EXPECT_EQ(manager.update(), 1);
    EXPECT_EQ(manager.rankingScene, nullptr);
    EXPECT_EQ(manager.sceneKind, SceneManager::kTitle);
    EXPECT_EQ(manager.updateIndex, SceneManager::kTitleInit);
    expectCachesEmpty();
}

TEST_F(RankingSceneTest, APressOnTheTickTheFadeEndsKeepsTheScreenCovered) {
    RankingScene& ranking = open(8);
    tick(0, kB);
    tick(0, 0);
    ranking.fadeLevel = 252;
    frame();                    // the opaque frame
    EXPECT_EQ(tick(0, kB), 0);  // the press comes first and delays the leaving by a tick
    const std::vector<ScreenDraw> drawn = frame();
    EXPECT_EQ(drawn.back().texture, ranking.fadeTexture->texture.get());
    EXPECT_EQ(drawn.back().colour >> 24, 0xFFu);  // not wrapped back to nearly clear
    EXPECT_EQ(tick(0, 0), 1);
}

TEST_F(RankingSceneTest, NoFadeBeforeLeaving) {
    RankingScene& ranking = open(3);
    for (int i = 0; i < 5; ++i) {
        tick();
        for (const ScreenDraw& d : frame()) EXPECT_NE(d.texture, ranking.fadeTexture->texture.get());
    }
    EXPECT_EQ(ranking.fadeLevel, 0u);
}

TEST_F(RankingSceneTest, TheMusicLoops) {
    RankingScene& ranking = open(3);
    tick();
    EXPECT_TRUE(ranking.bgm->buffer->playing());
    advanceSeconds(2);
    EXPECT_FALSE(ranking.bgm->buffer->playing());
    tick();
    EXPECT_TRUE(ranking.bgm->buffer->playing());
}

}  // namespace
}  // namespace hc
