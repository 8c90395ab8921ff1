#include "platform/image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace hc {

namespace {

// Larger images are refused rather than risking huge allocations from a damaged header.
constexpr int kMaxImageSide = 16384;

int nextPowerOfTwo(int v) {
    int p = 1;
    while (p < v && p < kMaxImageSide) p <<= 1;
    return p;
}

struct Tap {
    int index;
    float weight;
};

// Weights for scaling n source samples into m. A reduction averages the source area each target pixel
// covers (every source pixel contributes equally); an enlargement interpolates linearly (a triangle).
std::vector<std::vector<Tap>> filterTaps(int n, int m) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(m));
    const double ratio = static_cast<double>(n) / static_cast<double>(m);
    for (int i = 0; i < m; ++i) {
        auto& list = taps[static_cast<std::size_t>(i)];
        if (m < n) {
            const double lo = i * ratio, hi = (i + 1) * ratio;
            for (int j = static_cast<int>(std::floor(lo)); j < static_cast<int>(std::ceil(hi)); ++j) {
                const double w = std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j));
                if (w > 0) list.push_back({std::clamp(j, 0, n - 1), static_cast<float>(w / ratio)});
            }
        } else {
            const double centre = (i + 0.5) * ratio - 0.5;
            const int j = static_cast<int>(std::floor(centre));
            const float f = static_cast<float>(centre - j);
            list.push_back({std::clamp(j, 0, n - 1), 1.0f - f});
            if (f > 0) list.push_back({std::clamp(j + 1, 0, n - 1), f});
        }
    }
    return taps;
}

// Separable resampling of ARGB pixels, channels filtered independently.
std::vector<Colour> resample(const std::vector<Colour>& src, int sw, int sh, int dw, int dh) {
    if (sw == dw && sh == dh) return src;
    const auto xTaps = filterTaps(sw, dw);
    const auto yTaps = filterTaps(sh, dh);
    // Horizontal pass into float channels.
    std::vector<float> rows(static_cast<std::size_t>(dw) * sh * 4);
    for (int y = 0; y < sh; ++y) {
        const Colour* line = src.data() + static_cast<std::size_t>(y) * sw;
        for (int x = 0; x < dw; ++x) {
            float acc[4] = {};
            for (const Tap& t : xTaps[static_cast<std::size_t>(x)]) {
                const Colour c = line[t.index];
                for (int k = 0; k < 4; ++k) acc[k] += static_cast<float>((c >> (8 * k)) & 0xFF) * t.weight;
            }
            float* out = rows.data() + (static_cast<std::size_t>(y) * dw + x) * 4;
            for (int k = 0; k < 4; ++k) out[k] = acc[k];
        }
    }
    std::vector<Colour> dst(static_cast<std::size_t>(dw) * dh);
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            float acc[4] = {};
            for (const Tap& t : yTaps[static_cast<std::size_t>(y)]) {
                const float* in = rows.data() + (static_cast<std::size_t>(t.index) * dw + x) * 4;
                for (int k = 0; k < 4; ++k) acc[k] += in[k] * t.weight;
            }
            Colour c = 0;
            for (int k = 0; k < 4; ++k) {
                // Rounds half away from zero like lround, without its library call: a float plus 0.5 is
                // exact in double, and the sums are never far from 0..255.
                const int v = std::clamp(static_cast<int>(static_cast<double>(acc[k]) + 0.5), 0, 255);
                c |= static_cast<Colour>(v) << (8 * k);
            }
            dst[static_cast<std::size_t>(y) * dw + x] = c;
        }
    }
    return dst;
}

}  // namespace

std::unique_ptr<Texture> createTextureFromFile(Device& device, const std::string& path, int width, int height,
                                               Colour colourKey) {
    int w = 0, h = 0, channels = 0;
    if (!stbi_info(path.c_str(), &w, &h, &channels)) return nullptr;
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) return nullptr;
    stbi_uc* data = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!data) return nullptr;
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
        stbi_image_free(data);
        return nullptr;
    }
    std::vector<Colour> pixels(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const stbi_uc* p = data + i * 4;
        Colour c = (Colour(p[3]) << 24) | (Colour(p[0]) << 16) | (Colour(p[1]) << 8) | Colour(p[2]);
        // The key is matched on the file's own pixels, before any scaling blurs them.
        if (colourKey != 0 && c == colourKey) c = 0;
        pixels[i] = c;
    }
    stbi_image_free(data);

    const int tw = width > 0 ? std::min(width, kMaxImageSide) : nextPowerOfTwo(w);
    const int th = height > 0 ? std::min(height, kMaxImageSide) : nextPowerOfTwo(h);
    std::vector<Colour> scaled = resample(pixels, w, h, tw, th);
    return device.createTexture(tw, th, scaled.data());
}

bool writePng(const std::string& path, int width, int height, const std::vector<Colour>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) return false;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        const Colour c = pixels[i];
        rgba[i * 4 + 0] = static_cast<std::uint8_t>(c >> 16);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(c >> 8);
        rgba[i * 4 + 2] = static_cast<std::uint8_t>(c);
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(c >> 24);
    }
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

}  // namespace hc
