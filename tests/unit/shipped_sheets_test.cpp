#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless/headless_device.h"
#include "platform/image.h"

namespace hc {
namespace {

// The shipped picture sheets: their sizes, and a visible picture on every rectangle the game reads.
std::string runtimeFile(const std::string& path) {
    const char* root = std::getenv("HC_RUNTIME_DIR");
    return std::string(root ? root : ".") + "/Resource_Blade/" + path;
}

struct Sheet {
    const char* path;
    int width;
    int height;
    std::vector<Rect> rectangles;
};

bool anyVisiblePixel(const Texture& t, const Rect& r) {
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, t.height); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, t.width); ++x)
            if ((t.pixels[static_cast<std::size_t>(y) * t.width + x] >> 24) != 0) return true;
    return false;
}

TEST(ShippedSheets, EverySheetHasItsSizeAndAPictureOnEveryRectangleRead) {
    if (!std::getenv("HC_RUNTIME_DIR")) GTEST_SKIP() << "HC_RUNTIME_DIR is not set";
    std::vector<Rect> hud = {
        {604, 0, 763, 177},
        {0, 355, 484, 465},
        {338, 633, 375, 660},
        {338, 677, 624, 687},
        {0, 504, 207, 689},
        {208, 579, 304, 689},
        {0, 177, 604, 355},
        {338, 595, 363, 620},
        {0, 813, 855, 924},
        {484, 358, 719, 395},
        {719, 358, 769, 411},
        {0, 924, 789, 1024},
        {484, 395, 699, 432},
        {484, 432, 789, 469},
    };
    for (int d = 0; d < 10; ++d) {
        hud.push_back({30 * d, 693, 30 * d + 30, 740});
        hud.push_back({20 * d, 740, 20 * d + 20, 769});
        hud.push_back({16 * d, 769, 16 * d + 16, 791});
    }
    std::vector<Rect> ranking = {{0, 64, 1180, 736}, {64, 736, 128, 832}, {0, 736, 64, 832}, {608, 736, 802, 783}, {608, 793, 802, 840}};
    for (int c = 0; c < 26; ++c) ranking.push_back({32 * c, 0, 32 * c + 32, 36});
    for (int d = 0; d < 10; ++d) ranking.push_back({32 * d, 36, 32 * d + 32, 64});
    const Sheet sheets[] = {
        {"UI/CorvanChip.png", 1024, 1024, hud},
        {"UI/CorvaneTitle_Chip.png", 1024, 512, {{0, 0, 892, 307}, {0, 307, 241, 354}, {0, 354, 241, 401}, {0, 401, 241, 448}, {241, 307, 482, 354}, {241, 354, 482, 401}, {241, 401, 482, 448}}},
        {"Event/つぶやきウィンドウ.png", 1024, 1024, {{0, 384, 1024, 480}, {0, 288, 1024, 384}, {0, 192, 1024, 288}, {0, 96, 1024, 192}, {0, 0, 1024, 96}, {20, 500, 44, 524}}},
        // Created by the game at their own sizes.
        {"Ranking/ranking_chip.png", 1920, 1080, ranking},
        {"UI/Credit_Title.png", 1280, 720, {{0, 0, 1280, 720}}},
        {"end_secnのコピー.png", 1280, 720, {{0, 0, 1280, 720}}},
    };
    std::unique_ptr<Device> device = createHeadlessDevice();
    for (const Sheet& s : sheets) {
        SCOPED_TRACE(s.path);
        // Default sizes keep a power-of-two sheet as it is; the others are loaded at the size the game asks.
        const bool powerOfTwo = (s.width & (s.width - 1)) == 0 && (s.height & (s.height - 1)) == 0;
        std::unique_ptr<Texture> t = createTextureFromFile(*device, runtimeFile(s.path), powerOfTwo ? 0 : s.width,
                                                           powerOfTwo ? 0 : s.height, 0xFF00FF00u);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->width, s.width);
        EXPECT_EQ(t->height, s.height);
        ASSERT_EQ(t->pixels.size(), static_cast<std::size_t>(t->width) * t->height);
        for (const Rect& r : s.rectangles)
            EXPECT_TRUE(anyVisiblePixel(*t, r)) << "empty rectangle " << r.left << "," << r.top << "," << r.right
                                                << "," << r.bottom;
    }
}

// A lit pixel: the gold of a frame or a digit's face, not the dark body, outline or halo.
bool lit(const Texture& t, int x, int y) {
    const Colour p = t.pixels[static_cast<std::size_t>(y) * t.width + x];
    return (p >> 24) > 128 && ((p >> 16) & 0xFFu) > 140;
}

// The HUD draws the plate at x 10 and the enemy total's ones digit (a 20-pixel cell) at x 153, so the
// digit starts 143 pixels into the plate. Its face must end left of the gold of the plate's right border.
TEST(ShippedSheets, EnemyTotalDigitsStayInsideTheStagePlate) {
    if (!std::getenv("HC_RUNTIME_DIR")) GTEST_SKIP() << "HC_RUNTIME_DIR is not set";
    std::unique_ptr<Device> device = createHeadlessDevice();
    std::unique_ptr<Texture> t = createTextureFromFile(*device, runtimeFile("UI/CorvanChip.png"), 0, 0, 0xFF00FF00u);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->width, 1024);
    const Rect plate{604, 0, 763, 177};
    const int onesAt = 153 - 10, rowTop = 134 - 10, rowBottom = rowTop + 29;
    for (int y = rowTop; y < rowBottom; ++y) {
        int border = plate.right;
        while (border > plate.left && !lit(*t, border - 1, plate.top + y)) --border;
        while (border > plate.left && lit(*t, border - 1, plate.top + y)) --border;
        ASSERT_GT(border, plate.left + onesAt) << "no right border on row " << y;
        for (int d = 0; d < 10; ++d) {
            for (int x = 0; x < 20; ++x) {
                if (lit(*t, 20 * d + x, 740 + y - rowTop)) {
                    EXPECT_LT(plate.left + onesAt + x, border - 1) << "digit " << d << " reaches the border on row " << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace hc
