#include "platform/image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/headless/headless_device.h"

namespace hc {
namespace {

// A one-bit grey PNG of any size whose pixels are all there, its data in stored (uncompressed) deflate
// blocks: a picture that decodes, however large its header says it is, from a file of w * h / 8 bytes.
std::string greyPng(std::uint32_t width, std::uint32_t height) {
    auto crc = [](const std::string& bytes) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (unsigned char b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    auto be32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    auto chunk = [&](const std::string& type, const std::string& data) {
        return be32(static_cast<std::uint32_t>(data.size())) + type + data + be32(crc(type + data));
    };
    const std::string row = std::string(1, '\0') + std::string((width + 7) / 8, '\x55');  // filter 0, then pixels
    std::string raw;
    for (std::uint32_t y = 0; y < height; ++y) raw += row;
    std::string deflate = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + n == raw.size();
        const auto len = static_cast<std::uint16_t>(n), nlen = static_cast<std::uint16_t>(~n);
        deflate += std::string{static_cast<char>(last ? 1 : 0), static_cast<char>(len), static_cast<char>(len >> 8),
                               static_cast<char>(nlen), static_cast<char>(nlen >> 8)};
        deflate.append(raw, at, n);
    }
    deflate += be32((b << 16) | a);
    const std::string header = be32(width) + be32(height) + std::string{1, 0, 0, 0, 0};
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", deflate) + chunk("IEND", "");
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("hc_image_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        device = createHeadlessDevice();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string png(const std::string& name, int width, int height, const std::vector<Colour>& pixels) {
        std::string path = (folder / name).string();
        EXPECT_TRUE(writePng(path, width, height, pixels));
        return path;
    }

    std::filesystem::path folder;
    std::unique_ptr<Device> device;
};

TEST_F(ImageTest, ColourKeyTurnsOnlyOpaquePureGreenTransparent) {
    struct Case {
        Colour in, out;
    };
    const Case cases[] = {
        {0xFF00FF00, 0x00000000},  // the key
        {0x8000FF00, 0x8000FF00},  // partly transparent green is kept
        {0xFF00FE00, 0xFF00FE00},  // nearly green is kept
        {0xFF01FF00, 0xFF01FF00},
        {0xFFFF0000, 0xFFFF0000},
        {0x00000000, 0x00000000},
    };
    std::vector<Colour> pixels;
    for (const Case& c : cases) pixels.push_back(c.in);
    pixels.resize(8, 0xFF123456);
    auto texture = createTextureFromFile(*device, png("key.png", 8, 1, pixels), 0, 0, 0xFF00FF00);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->width, 8);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(texture->pixels[i], cases[i].out) << std::hex << cases[i].in;
    // A zero key keys nothing.
    auto unkeyed = createTextureFromFile(*device, png("key.png", 8, 1, pixels), 0, 0, 0);
    ASSERT_NE(unkeyed, nullptr);
    EXPECT_EQ(unkeyed->pixels[0], 0xFF00FF00u);
}

TEST_F(ImageTest, DefaultSizesRoundUpToPowersOfTwoAndExplicitSizesScale) {
    struct Case {
        int width, height, askWidth, askHeight, expectWidth, expectHeight;
    };
    const Case cases[] = {
        {3, 5, 0, 0, 4, 8},
        {4, 4, 0, 0, 4, 4},
        {1, 1, 0, 0, 1, 1},
        {5, 1, 0, 0, 8, 1},
        {129, 64, 0, 0, 256, 64},
        {4, 4, 6, 3, 6, 3},
        {300, 10, 16, 0, 16, 16},
    };
    for (const Case& c : cases) {
        std::vector<Colour> pixels(static_cast<std::size_t>(c.width) * c.height, 0xFF336699);
        auto texture = createTextureFromFile(*device, png("size.png", c.width, c.height, pixels), c.askWidth,
                                             c.askHeight, 0xFF00FF00);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->width, c.expectWidth) << c.width << "x" << c.height;
        EXPECT_EQ(texture->height, c.expectHeight) << c.width << "x" << c.height;
        // A uniform picture stays uniform whatever the scaling.
        for (Colour p : texture->pixels) ASSERT_EQ(p, 0xFF336699u) << c.width << "x" << c.height;
    }
}

TEST_F(ImageTest, ScalingFiltersThePicture) {
    // Reduction averages what each target pixel covers.
    auto reduced = createTextureFromFile(*device, png("r.png", 4, 1, {0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}),
                                         2, 1, 0xFF00FF00);
    ASSERT_NE(reduced, nullptr);
    EXPECT_EQ(reduced->pixels[0], 0xFF000000u);
    EXPECT_EQ(reduced->pixels[1], 0xFFFFFFFFu);
    auto halves = createTextureFromFile(*device, png("h.png", 3, 1, {0xFF000000, 0xFFFFFFFF, 0xFF000000}), 1, 1, 0);
    ASSERT_NE(halves, nullptr);
    EXPECT_EQ(halves->pixels[0], 0xFF555555u);
    // Enlargement interpolates: a black-to-white pair becomes a ramp.
    auto ramp = createTextureFromFile(*device, png("e.png", 2, 1, {0xFF000000, 0xFFFFFFFF}), 8, 1, 0);
    ASSERT_NE(ramp, nullptr);
    EXPECT_EQ(ramp->pixels.front(), 0xFF000000u);
    EXPECT_EQ(ramp->pixels.back(), 0xFFFFFFFFu);
    for (int i = 1; i < 8; ++i) EXPECT_GE(ramp->pixels[i] & 0xFF, ramp->pixels[i - 1] & 0xFF);
    // The key is applied before scaling: no green survives at the edges of a keyed area.
    auto keyed = createTextureFromFile(*device, png("k.png", 2, 1, {0xFF00FF00, 0xFFFF0000}), 8, 1, 0xFF00FF00);
    ASSERT_NE(keyed, nullptr);
    for (Colour p : keyed->pixels) EXPECT_EQ((p >> 8) & 0xFF, 0u) << std::hex << p;
}

TEST_F(ImageTest, MissingOrBrokenFilesGiveNoTexture) {
    EXPECT_EQ(createTextureFromFile(*device, (folder / "missing.png").string(), 0, 0, 0xFF00FF00), nullptr);
    std::string good = png("good.png", 16, 16, std::vector<Colour>(256, 0xFFFF00FF));
    std::string bytes;
    {
        std::ifstream in(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(bytes.size(), 40u);
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"empty.png", ""},
        {"text.png", "not an image at all"},
        {"truncated.png", bytes.substr(0, bytes.size() / 2)},
        {"header_only.png", bytes.substr(0, 33)},
    };
    for (const Case& c : cases) {
        std::string path = (folder / c.name).string();
        std::ofstream(path, std::ios::binary) << c.content;
        EXPECT_EQ(createTextureFromFile(*device, path, 0, 0, 0xFF00FF00), nullptr) << c.name;
    }
}

TEST_F(ImageTest, RefusesMorePixelsThanTheGameCanUseBeforeDecoding) {
    const std::string small = (folder / "small.png").string();
    std::ofstream(small, std::ios::binary) << greyPng(40, 24);
    auto texture = createTextureFromFile(*device, small, 0, 0, 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 64);
    // The same image with its data chunk claiming two gigabytes, which the decoder would reserve.
    std::string claiming = greyPng(40, 24);
    claiming.replace(33, 4, "\x7f\xff\xff\xf0");
    std::ofstream(small, std::ios::binary) << claiming;
    EXPECT_EQ(createTextureFromFile(*device, small, 0, 0, 0), nullptr);
    // Every side within bounds, but more than 4096 x 4096 pixels in all; and a header alone claiming
    // 16384 x 16384, which the decoder would have taken a gigabyte for.
    for (auto [w, h] : {std::pair<std::uint32_t, std::uint32_t>{4097, 4096}, {8200, 2100}, {16384, 16384}}) {
        const std::string path = (folder / "large.png").string();
        std::string bytes = greyPng(w, w == 16384 ? 1 : h);
        bytes.replace(20, 4, std::string{static_cast<char>(h >> 24), static_cast<char>(h >> 16), static_cast<char>(h >> 8), static_cast<char>(h)});
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_EQ(createTextureFromFile(*device, path, 0, 0, 0), nullptr) << w << " x " << h;
    }
}

TEST_F(ImageTest, WritePngRoundTripsAndRefusesBadSizes) {
    const std::vector<Colour> pixels = {0xFF102030, 0x80405060, 0x00000000, 0xFFFFFFFF, 0x7F00FF00, 0xFF000000};
    auto texture = createTextureFromFile(*device, png("round.png", 3, 2, pixels), 3, 2, 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->pixels, pixels);
    EXPECT_FALSE(writePng((folder / "bad.png").string(), 0, 2, pixels));
    EXPECT_FALSE(writePng((folder / "bad.png").string(), 4, 2, pixels));  // fewer pixels than the size says
    EXPECT_FALSE(writePng((folder / "no_such_folder" / "x.png").string(), 3, 2, pixels));
}

}  // namespace
}  // namespace hc
