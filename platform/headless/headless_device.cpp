#include "platform/headless/headless_device.h"

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
        t->pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
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

}  // namespace hc
