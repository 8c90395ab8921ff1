// Cost of the OpenGL device's draw paths: sprite quads, indexed mesh draws under changing state, text,
// and presenting alone. Runs on windows of its own (set SDL_VIDEODRIVER=offscreen without a display) and
// prints figures.
#include <SDL.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/font.h"
#include "platform/sdl/gl_device.h"
#include "platform/sprite.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

hc::Matrix translation(float x, float y, float z) {
    hc::Matrix m = hc::Matrix::identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Presenting alone: a cleared frame shown again and again on a visible window of the given size. Prints
// wall and CPU time per frame (the CPU time counts the rasteriser's threads, and holds up on a busy machine).
void presentCost(const char* what, int windowWidth, int windowHeight, const hc::PresentConfig& config,
                 bool keep = false) {
    hc::setGlWindowAttributes();
    SDL_Window* window = SDL_CreateWindow("present", 0, 0, windowWidth, windowHeight, SDL_WINDOW_OPENGL);
    auto device = window ? hc::createGlDevice(window, config) : nullptr;
    if (!device) {
        std::printf("%-52s no device\n", what);
    } else {
        SDL_GL_SetSwapInterval(0);
        device->keepPresentedFrame = keep;
        const int frames = 120;
        Clock::time_point start;
        double cpuStart = 0;
        for (int f = -10; f < frames; ++f) {
            if (f == 0) {  // the first frames settle the window
                start = Clock::now();
                cpuStart = cpuMs();
            }
            device->clear(hc::CLEAR_TARGET | hc::CLEAR_ZBUFFER, 0xFF101012, 1.0f, 0);
            device->present();
        }
        // A software swap returns once the frame is out.
        std::printf("%-52s wall %7.3f ms, cpu %7.3f ms per frame\n", what, msSince(start) / frames,
                    (cpuMs() - cpuStart) / frames);
    }
    device.reset();
    if (window) SDL_DestroyWindow(window);
}

}  // namespace

int main() {
    using namespace hc;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    hc::setGlWindowAttributes();
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    auto device = window ? createGlDevice(window, PresentConfig{true, 1280, 720}) : nullptr;
    if (!device) {
        std::fprintf(stderr, "no OpenGL 3.3 device\n");
        return 1;
    }
    SDL_GL_SetSwapInterval(0);
    const int frames = 60;

    // A 2-D pass: 200 sprite quads per frame from one sheet.
    std::vector<Colour> pixels(256 * 256, 0xFFFFFFFF);
    auto sheet = device->createTexture(256, 256, pixels.data());
    Sprite sprite(*device);
    const Rect source{0, 0, 32, 32};
    double issueMs = 0;
    auto start = Clock::now();
    for (int f = 0; f < frames; ++f) {
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF101012, 1.0f, 0);
        auto issue = Clock::now();
        sprite.begin(SPRITE_ALPHABLEND);
        for (int i = 0; i < 200; ++i) {
            sprite.setTransform(translation(static_cast<float>(i % 40) * 32, static_cast<float>(i / 40) * 32, 0));
            sprite.draw(sheet.get(), &source, nullptr, nullptr, 0xFFFFFFFF);
        }
        sprite.end();
        issueMs += msSince(issue);
        device->keepPresentedFrame = f == frames - 1;  // its read-back waits for the GPU
        device->present();
    }
    std::vector<Colour> back;
    device->readBackBuffer(back);
    double spriteMs = msSince(start) / frames;
    double spriteIssueMs = issueMs / frames;

    // A 3-D pass: 600 lit, fogged draws of a 128-triangle mesh, world matrix changing every draw.
    const int side = 8;
    std::vector<VertexPositionNormalTex> vertices;
    std::vector<std::uint16_t> indices;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            vertices.push_back({x / float(side) - 0.5f, y / float(side) - 0.5f, 0, 0, 0, -1, x / float(side), y / float(side)});
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            auto i = static_cast<std::uint16_t>(y * (side + 1) + x);
            for (std::uint16_t k : {i, std::uint16_t(i + 1), std::uint16_t(i + side + 1), std::uint16_t(i + 1),
                                    std::uint16_t(i + side + 2), std::uint16_t(i + side + 1)})
                indices.push_back(k);
        }
    auto vb = device->createVertexBuffer(vertices.size() * sizeof vertices[0]);
    std::memcpy(vb->lock(), vertices.data(), vertices.size() * sizeof vertices[0]);
    vb->unlock();
    auto ib = device->createIndexBuffer(indices.size());
    std::memcpy(ib->lock(), indices.data(), indices.size() * sizeof indices[0]);
    ib->unlock();
    Matrix projection{};
    projection.m[0][0] = 0.5625f;
    projection.m[1][1] = 1;
    projection.m[2][2] = 1000.0f / 999.9f;
    projection.m[2][3] = 1;
    projection.m[3][2] = -0.1f * 1000.0f / 999.9f;
    device->setTransform(TransformType::Projection, projection);
    device->setRenderState(RenderState::Lighting, 1);
    device->setRenderState(RenderState::FogEnable, 1);
    device->setRenderState(RenderState::FogTableMode, FOG_LINEAR);
    device->setRenderState(RenderState::FogStart, floatBits(1.0f));
    device->setRenderState(RenderState::FogEnd, floatBits(51.0f));
    for (int i = 0; i < 7; ++i) {
        Light l;
        l.type = i == 0 ? LightType::Directional : LightType::Point;
        l.diffuse = {0.5f, 0.5f, 0.5f, 1};
        l.direction = {0, -1, 1};
        l.position = {float(i), 1, 5};
        l.range = 10;
        l.attenuation1 = 1;
        device->setLight(static_cast<std::uint32_t>(i), l);
        device->lightEnable(static_cast<std::uint32_t>(i), true);
    }
    Material material;
    material.diffuse = {1, 1, 1, 1};
    device->setMaterial(material);
    device->setTexture(0, sheet.get());
    device->setVertexFormat(VertexFormat::PositionNormalTex);
    device->setStreamSource(vb.get(), sizeof vertices[0]);
    device->setIndices(ib.get());
    issueMs = 0;
    start = Clock::now();
    for (int f = 0; f < frames; ++f) {
        device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF101012, 1.0f, 0);
        auto issue = Clock::now();
        for (int i = 0; i < 600; ++i) {
            device->setTransform(TransformType::World, translation(float(i % 30) - 15, float(i / 30 % 20) - 10, 10 + float(i % 7)));
            device->drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, static_cast<std::uint32_t>(indices.size() / 3));
        }
        issueMs += msSince(issue);
        device->keepPresentedFrame = f == frames - 1;
        device->present();
    }
    device->readBackBuffer(back);
    double meshMs = msSince(start) / frames;
    double meshIssueMs = issueMs / frames;

    // Text: two lines of Japanese per frame through the glyph atlas.
    double textMs = -1;
    if (auto font = Font::create(*device, 0, 900, "MS ゴシック")) {
        const char line[] =
            "\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F\x82\xD6\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F"
            "\x82\xD6\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F\x82\xD6";
        start = Clock::now();
        for (int f = 0; f < frames; ++f) {
            device->clear(CLEAR_TARGET, 0xFF101012, 1.0f, 0);
            sprite.begin(SPRITE_ALPHABLEND);
            for (int k = 0; k < 2; ++k) {
                Rect rect{0, 600 + 20 * k, 1280, 720};
                font->drawText(&sprite, line, -1, &rect, DT_WORDBREAK, 0xFFFF0000);
            }
            sprite.end();
            device->keepPresentedFrame = f == frames - 1;
            device->present();
        }
        device->readBackBuffer(back);
        textMs = msSince(start) / frames;
    }

    // Issue: time spent in the device's calls; frame: with presenting and rendering (on Mesa's software
    // rasteriser the rendering dominates).
    std::printf("sprite pass, 200 quads:           issue %7.3f ms (%.2f us per quad), frame %8.3f ms\n", spriteIssueMs,
                spriteIssueMs * 1000 / 200, spriteMs);
    std::printf("mesh pass, 600 draws x 128 tris:  issue %7.3f ms (%.2f us per draw), frame %8.3f ms\n", meshIssueMs,
                meshIssueMs * 1000 / 600, meshMs);
    std::printf("text, 2 lines of 18 characters:   frame %8.3f ms\n", textMs);
    device.reset();
    SDL_DestroyWindow(window);

    // Clear and present only: a windowed back buffer the size of its window (also keeping every frame for
    // read-back, as screenshots do), and full screen's 1280x720 scaled onto a 1920x1080 window.
    presentCost("clear + present, windowed 1280x720:", 1280, 720, PresentConfig{});
    presentCost("clear + present + keep, windowed 1280x720:", 1280, 720, PresentConfig{}, true);
    presentCost("clear + present, 1280x720 full screen on 1920x1080:", 1920, 1080, PresentConfig{true, 1280, 720});
    presentCost("clear + present, 1280x720 full screen on 1600x1200:", 1600, 1200, PresentConfig{true, 1280, 720});
    SDL_Quit();
    return 0;
}
