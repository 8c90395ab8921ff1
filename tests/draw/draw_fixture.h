#pragma once
// Drawing tests run the OpenGL device on a window (SDL_VIDEODRIVER=offscreen on Mesa: nothing shows) and read
// the back buffer. Set HC_DRAW_DUMP to a folder to keep the read-back images as PNG files.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/image.h"
#include "platform/sdl/gl_device.h"

namespace hc::drawtest {

constexpr Colour kBackground = 0xFF101012;

inline bool closeTo(Colour a, Colour b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(x - y) > tolerance) return false;
    }
    return true;
}

inline std::string hex(Colour c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", c);
    return buffer;
}

// Left-handed perspective with depth 0..1, as the game builds it.
inline Matrix perspective(float fovY, float aspect, float zn, float zf) {
    Matrix m;
    float ys = 1.0f / std::tan(fovY / 2), xs = ys / aspect;
    m.m[0][0] = xs;
    m.m[1][1] = ys;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1;
    m.m[3][2] = -zn * zf / (zf - zn);
    return m;
}

inline Matrix scaleTranslate(float s, float x, float y, float z) {
    Matrix m = Matrix::identity();
    m.m[0][0] = m.m[1][1] = m.m[2][2] = s;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

class DrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    void SetUp() override { open(1280, 720, PresentConfig{true, 1280, 720}); }

    void TearDown() override {
        device.reset();
        if (window) SDL_DestroyWindow(window);
        window = nullptr;
    }

    void open(int width, int height, const PresentConfig& config) {
        device.reset();
        if (window) SDL_DestroyWindow(window);
        setGlWindowAttributes();
        // Shown, so that the device draws straight into a window of the back buffer's size.
        window = SDL_CreateWindow("draw test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        device = createGlDevice(window, config);
        ASSERT_NE(device, nullptr);
    }

    // The frame bracket's clear, with the colour the game uses.
    void clearFrame(Colour colour = kBackground) {
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, colour, 1.0f, 0);
    }

    // Reads the back buffer; name != "" keeps it as a PNG when HC_DRAW_DUMP is set.
    void read(const std::string& name = "") {
        ASSERT_TRUE(device->readBackBuffer(frame));
        const char* dump = std::getenv("HC_DRAW_DUMP");
        if (dump && !name.empty())
            writePng(std::string(dump) + "/" + name + ".png", device->backBufferWidth(), device->backBufferHeight(), frame);
    }

    Colour at(int x, int y) const {
        return frame[static_cast<std::size_t>(y) * static_cast<std::size_t>(device->backBufferWidth()) + x];
    }

    // A camera at the origin looking down +z with a 90-degree square-ish view.
    void useCamera() {
        device->setTransform(TransformType::View, Matrix::identity());
        device->setTransform(TransformType::Projection, perspective(1.5707963f, 1280.0f / 720.0f, 0.1f, 1000.0f));
    }

    // A square of side 2 around (0, 0) in the z = 0 plane facing the camera (normal -z), clockwise on
    // screen, cut into 16 x 16 cells: lighting runs per vertex, and a vertex sits at the centre.
    void drawSquare(const Matrix& world) {
        constexpr int n = 16;
        std::vector<VertexPositionNormalTex> v;
        auto vertex = [](int i, int j) {
            float x = -1.0f + 2.0f * i / n, y = 1.0f - 2.0f * j / n;
            return VertexPositionNormalTex{x, y, 0, 0, 0, -1, static_cast<float>(i) / n, static_cast<float>(j) / n};
        };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                v.push_back(vertex(i, j));
                v.push_back(vertex(i + 1, j));
                v.push_back(vertex(i, j + 1));
                v.push_back(vertex(i + 1, j));
                v.push_back(vertex(i + 1, j + 1));
                v.push_back(vertex(i, j + 1));
            }
        device->setTransform(TransformType::World, world);
        device->setVertexFormat(VertexFormat::PositionNormalTex);
        device->drawPrimitiveUP(PrimitiveType::TriangleList, static_cast<std::uint32_t>(v.size() / 3), v.data(),
                                sizeof v[0]);
    }

    std::unique_ptr<Texture> solidTexture(int width, int height, Colour colour) {
        std::vector<Colour> pixels(static_cast<std::size_t>(width) * height, colour);
        return device->createTexture(width, height, pixels.data());
    }

    SDL_Window* window = nullptr;
    std::unique_ptr<Device> device;
    std::vector<Colour> frame;
};

}  // namespace hc::drawtest
