#include "platform/image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// Larger images are refused rather than risking huge allocations from a damaged header: no side
// beyond this, and no more pixels in all than a 4096 x 4096 sheet (the largest the game uses is
// 1920 x 1080), which keeps the decoder's buffers to some tens of megabytes.
constexpr int kMaxImageSide = 16384;
constexpr long long kMaxImagePixels = 4096LL * 4096;

bool usableSize(int w, int h) {
    return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide &&
           static_cast<long long>(w) * h <= kMaxImagePixels;
}

// The largest image file taken (the game's largest is about half a megabyte).
constexpr std::size_t kMaxImageFileBytes = 16u << 20;

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned char block[65536];
    std::size_t got = 0;
    bool ok = true;
    while (ok && (got = std::fread(block, 1, sizeof block, file)) > 0) {
        ok = bytes.size() + got <= kMaxImageFileBytes;
        if (ok) bytes.insert(bytes.end(), block, block + got);
    }
    ok = ok && std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// The decoder reserves room for each chunk by the length the chunk declares, before reading it: one
// damaged length made it ask for more than a gigabyte. Every declared length must fit in what follows.
bool chunksFit(const std::vector<unsigned char>& bytes) {
    std::size_t at = 8;  // the signature
    bool data = false;
    while (at + 8 <= bytes.size()) {
        const std::size_t length = (std::size_t{bytes[at]} << 24) | (std::size_t{bytes[at + 1]} << 16) |
                                   (std::size_t{bytes[at + 2]} << 8) | std::size_t{bytes[at + 3]};
        // The decoder cannot read a chunk cut short either; it would only have reserved room first.
        if (length > bytes.size() - at - 8) return false;
        if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) return true;
        // An empty data chunk before any data makes the decoder copy into a buffer it never made.
        if (std::memcmp(&bytes[at + 4], "IDAT", 4) == 0) {
            if (length == 0 && !data) return false;
            data = true;
        }
        at += 12 + length;  // length, type, data and check sum
    }
    return true;  // cut between chunks: the decoder says whether what is there is enough
}

int nextPowerOfTwo(int v) {
    int p = 1;
    while (p < v && p < kMaxImageSide) p <<= 1;
    return p;
}

// The source samples each target sample is made of, all targets' in one list: target i reads
// index[first[i]] .. index[first[i + 1] - 1] with the matching weights.
struct Taps {
    std::vector<std::size_t> first;
    std::vector<int> index;
    std::vector<float> weight;

    void add(int i, float w) {
        index.push_back(i);
        weight.push_back(w);
    }
};

// Weights for scaling n source samples into m. A reduction averages the source area each target pixel
// covers (every source pixel contributes equally); an enlargement interpolates linearly (a triangle).
Taps filterTaps(int n, int m) {
    Taps taps;
    taps.first.reserve(static_cast<std::size_t>(m) + 1);
    const double ratio = static_cast<double>(n) / static_cast<double>(m);
    for (int i = 0; i < m; ++i) {
        taps.first.push_back(taps.index.size());
        if (m < n) {
            const double lo = i * ratio, hi = (i + 1) * ratio;
            for (int j = static_cast<int>(std::floor(lo)); j < static_cast<int>(std::ceil(hi)); ++j) {
                const double w = std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j));
                if (w > 0) taps.add(std::clamp(j, 0, n - 1), static_cast<float>(w / ratio));
            }
        } else {
            const double centre = (i + 0.5) * ratio - 0.5;
            const int j = static_cast<int>(std::floor(centre));
            const float f = static_cast<float>(centre - j);
            taps.add(std::clamp(j, 0, n - 1), 1.0f - f);
            if (f > 0) taps.add(std::clamp(j + 1, 0, n - 1), f);
        }
    }
    taps.first.push_back(taps.index.size());
    return taps;
}

// Separable resampling of ARGB pixels, channels filtered independently. Each channel sums its taps in
// order from zero, in floats; the loops run over whole rows of channels so that they vectorise. Source
// rows are filtered horizontally when a target row first needs them, into a ring just large enough for
// the rows one target row reads, rather than into a copy of the whole image.
std::vector<Colour> resample(const std::vector<Colour>& src, int sw, int sh, int dw, int dh) {
    if (sw == dw && sh == dh) return src;
    const Taps xTaps = filterTaps(sw, dw);
    const Taps yTaps = filterTaps(sh, dh);
    const std::size_t rowFloats = static_cast<std::size_t>(dw) * 4;

    std::size_t ringRows = 1;
    for (std::size_t y = 0; y < static_cast<std::size_t>(dh); ++y) {
        const auto lo = yTaps.index.begin() + static_cast<std::ptrdiff_t>(yTaps.first[y]);
        const auto hi = yTaps.index.begin() + static_cast<std::ptrdiff_t>(yTaps.first[y + 1]);
        if (lo == hi) continue;
        const auto [least, most] = std::minmax_element(lo, hi);
        ringRows = std::max(ringRows, static_cast<std::size_t>(*most - *least) + 1);
    }
    std::vector<float> ring(rowFloats * ringRows);
    std::vector<int> ringHolds(ringRows, -1);  // the source row each place holds
    std::vector<float> line(static_cast<std::size_t>(sw) * 4);
    auto filteredRow = [&](int y) -> const float* {
        const std::size_t place = static_cast<std::size_t>(y) % ringRows;
        float* out = ring.data() + place * rowFloats;
        if (ringHolds[place] == y) return out;
        ringHolds[place] = y;
        const Colour* in = src.data() + static_cast<std::size_t>(y) * sw;
        for (std::size_t x = 0; x < static_cast<std::size_t>(sw); ++x)
            for (int k = 0; k < 4; ++k) line[x * 4 + k] = static_cast<float>((in[x] >> (8 * k)) & 0xFF);
        for (std::size_t x = 0; x < static_cast<std::size_t>(dw); ++x) {
            float acc[4] = {};
            for (std::size_t t = xTaps.first[x]; t < xTaps.first[x + 1]; ++t) {
                const float* c = line.data() + static_cast<std::size_t>(xTaps.index[t]) * 4;
                const float w = xTaps.weight[t];
                for (int k = 0; k < 4; ++k) acc[k] += c[k] * w;
            }
            for (int k = 0; k < 4; ++k) out[x * 4 + k] = acc[k];
        }
        return out;
    };

    std::vector<Colour> dst(static_cast<std::size_t>(dw) * dh);
    std::vector<float> acc(rowFloats);
    for (std::size_t y = 0; y < static_cast<std::size_t>(dh); ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (std::size_t t = yTaps.first[y]; t < yTaps.first[y + 1]; ++t) {
            const float* in = filteredRow(yTaps.index[t]);
            const float w = yTaps.weight[t];
            for (std::size_t i = 0; i < rowFloats; ++i) acc[i] += in[i] * w;
        }
        Colour* out = dst.data() + y * static_cast<std::size_t>(dw);
        for (std::size_t x = 0; x < static_cast<std::size_t>(dw); ++x) {
            Colour c = 0;
            for (int k = 0; k < 4; ++k) {
                // Rounds half away from zero like lround, without its library call: a float plus 0.5 is
                // exact in double, and the sums are never far from 0..255.
                const int v = std::clamp(static_cast<int>(static_cast<double>(acc[x * 4 + k]) + 0.5), 0, 255);
                c |= static_cast<Colour>(v) << (8 * k);
            }
            out[x] = c;
        }
    }
    return dst;
}

}  // namespace

std::unique_ptr<Texture> createTextureFromFile(Device& device, const std::string& path, int width, int height,
                                               Colour colourKey) {
    std::vector<unsigned char> file;
    if (!readWholeFile(path, file) || !chunksFit(file)) return nullptr;
    const int fileSize = static_cast<int>(file.size());
    int w = 0, h = 0, channels = 0;
    // The header alone decides, before anything is decoded.
    if (!stbi_info_from_memory(file.data(), fileSize, &w, &h, &channels)) return nullptr;
    if (!usableSize(w, h)) return nullptr;
    stbi_uc* data = stbi_load_from_memory(file.data(), fileSize, &w, &h, &channels, 4);
    if (!data) return nullptr;
    if (!usableSize(w, h)) {
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
