#include "platform/sdl/gl_device.h"

#include <SDL.h>
#include <epoxy/gl.h>

namespace hc {

namespace {

// First cut: context, clear, present and read-back. Drawing comes with the fixed-function pipeline.
class GlDevice : public Device {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context, const PresentConfig& config)
        : window_(window), context_(context) {
        resetDefaults();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        width_ = config.backBufferWidth > 0 ? config.backBufferWidth : w;
        height_ = config.backBufferHeight > 0 ? config.backBufferHeight : h;
    }
    ~GlDevice() override { SDL_GL_DeleteContext(context_); }

    void clear(std::uint32_t flags, Colour colour, float z, std::uint32_t stencil) override {
        Device::clear(flags, colour, z, stencil);
        GLbitfield mask = 0;
        if (flags & CLEAR_TARGET) {
            glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f,
                         ((colour >> 24) & 0xFF) / 255.0f);
            mask |= GL_COLOR_BUFFER_BIT;
        }
        if (flags & CLEAR_ZBUFFER) {
            glClearDepth(z);
            glDepthMask(GL_TRUE);
            mask |= GL_DEPTH_BUFFER_BIT;
        }
        glClear(mask);
    }

    void present() override {
        Device::present();
        SDL_GL_SwapWindow(window_);
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
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        pixels.resize(static_cast<std::size_t>(width_) * height_);
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* row = rgba.data() + static_cast<std::size_t>(height_ - 1 - y) * width_ * 4;
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t* p = row + x * 4;
                pixels[static_cast<std::size_t>(y) * width_ + x] =
                    (Colour(p[3]) << 24) | (Colour(p[0]) << 16) | (Colour(p[1]) << 8) | Colour(p[2]);
            }
        }
        return true;
    }

protected:
    void doDrawIndexed(PrimitiveType, std::int32_t, std::uint32_t, std::uint32_t) override {}
    void doDrawUP(PrimitiveType, std::uint32_t, const void*, std::uint32_t) override {}

private:
    SDL_Window* window_;
    SDL_GLContext context_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace

std::unique_ptr<Device> createGlDevice(SDL_Window* window, const PresentConfig& config) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    if (epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    SDL_GL_SetSwapInterval(1);
    return std::make_unique<GlDevice>(window, context, config);
}

}  // namespace hc
