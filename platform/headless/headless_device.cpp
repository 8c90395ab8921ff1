#include "platform/headless/headless_device.h"

#include <algorithm>

namespace hc {

namespace {

class HeadlessDevice : public Device {
public:
    HeadlessDevice(int width, int height) : width_(width), height_(height) {
        resetDefaults();
        recording = true;
    }

    void clear(std::uint32_t flags, Colour colour, float z, std::uint32_t stencil) override {
        Device::clear(flags, colour, z, stencil);
        if (flags & CLEAR_TARGET) clearColour_ = colour;
    }

    std::unique_ptr<Texture> createTexture(int width, int height, const Colour* pixels) override {
        auto t = std::make_unique<Texture>();
        t->width = width;
        t->height = height;
        std::size_t count = static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
        if (pixels)
            t->pixels.assign(pixels, pixels + count);
        else
            t->pixels.assign(count, 0);
        return t;
    }

    std::unique_ptr<VertexBuffer> createVertexBuffer(std::size_t bytes) override {
        auto b = std::make_unique<VertexBuffer>();
        b->data.resize(bytes);
        return b;
    }

    std::unique_ptr<IndexBuffer> createIndexBuffer(std::size_t count) override {
        auto b = std::make_unique<IndexBuffer>();
        b->data.resize(count);
        return b;
    }

    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }

    bool readBackBuffer(std::vector<Colour>& pixels) override {
        pixels.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), clearColour_);
        return true;
    }

protected:
    void doDrawIndexed(PrimitiveType, std::int32_t, std::uint32_t, std::uint32_t) override {}
    void doDrawUP(PrimitiveType, std::uint32_t, const void*, std::uint32_t) override {}

private:
    int width_;
    int height_;
    Colour clearColour_ = 0xFF000000u;
};

}  // namespace

std::unique_ptr<Device> createHeadlessDevice(int width, int height) {
    return std::make_unique<HeadlessDevice>(width, height);
}

namespace {

bool isScreenDraw(const DeviceCall& c) {
    return c.kind == CallKind::DrawPrimitiveUP && c.b == static_cast<std::uint32_t>(VertexFormat::ScreenColourTex);
}

}  // namespace

std::vector<DeviceCall> lastFrame(const std::vector<DeviceCall>& calls) {
    for (std::size_t i = calls.size(); i > 0; --i) {
        if (calls[i - 1].kind == CallKind::BeginScene) return {calls.begin() + static_cast<std::ptrdiff_t>(i - 1), calls.end()};
    }
    return {};
}

std::vector<ScreenDraw> screenDraws(const std::vector<DeviceCall>& calls) {
    std::vector<ScreenDraw> draws;
    for (const DeviceCall& c : calls) {
        if (isScreenDraw(c)) draws.push_back({c.texture, c.sourceRect, c.screenRect, c.colour});
    }
    return draws;
}

bool screenDrawAt(const std::vector<DeviceCall>& calls, int x, int y, ScreenDraw& out) {
    for (std::size_t i = calls.size(); i > 0; --i) {
        const DeviceCall& c = calls[i - 1];
        if (!isScreenDraw(c)) continue;
        const Rect& r = c.screenRect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            out = {c.texture, c.sourceRect, c.screenRect, c.colour};
            return true;
        }
    }
    return false;
}

std::vector<DeviceCall> worldDraws(const std::vector<DeviceCall>& calls) {
    std::vector<DeviceCall> draws;
    for (const DeviceCall& c : calls) {
        if (c.kind == CallKind::DrawIndexedPrimitive || (c.kind == CallKind::DrawPrimitiveUP && !isScreenDraw(c)))
            draws.push_back(c);
    }
    return draws;
}

}  // namespace hc
