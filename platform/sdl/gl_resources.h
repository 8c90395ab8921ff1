#pragma once
// The device's GL resources: textures, vertex and index buffers, and what they share with the device.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/device.h"

namespace hc::gl {

// GL objects outlive nothing: resources check that the device is still there before deleting, and tell
// it when a name it caches goes away.
struct GlShared {
    bool alive = true;
    const Texture* boundTexture = nullptr;
    GLuint vaoVertexBuffer[4] = {};
    GLuint vaoIndexBuffer[4] = {};
};

class GlTexture : public Texture {
public:
    explicit GlTexture(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenTextures(1, &name); }
    ~GlTexture() override {
        if (!shared_->alive) return;
        if (shared_->boundTexture == this) shared_->boundTexture = nullptr;
        glDeleteTextures(1, &name);
    }
    void update() override {
        if (!shared_->alive) return;
        std::size_t count = static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
        if (pixels.size() < count) pixels.resize(count, 0);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, name);
        shared_->boundTexture = nullptr;  // the binding changed under the draw cache
        // 0xAARRGGBB in memory is B, G, R, A.
        if (width == uploadedWidth_ && height == uploadedHeight_) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
            uploadedWidth_ = width;
            uploadedHeight_ = height;
        }
    }
    GLuint name = 0;

private:
    std::shared_ptr<GlShared> shared_;
    int uploadedWidth_ = -1;
    int uploadedHeight_ = -1;
};

class GlVertexBuffer : public VertexBuffer {
public:
    explicit GlVertexBuffer(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenBuffers(1, &name); }
    ~GlVertexBuffer() override {
        if (!shared_->alive) return;
        for (GLuint& b : shared_->vaoVertexBuffer)
            if (b == name) b = 0;
        glDeleteBuffers(1, &name);
    }
    void unlock() override {
        if (!shared_->alive) return;
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(data.size()), data.data(), GL_STATIC_DRAW);
        uploadedBytes = data.size();
        boundsStride = 0;
    }
    GLuint name = 0;
    std::size_t uploadedBytes = 0;
    // A sphere around every uploaded vertex's position (the first three floats of each), for the stride it
    // was measured with; 0: not measured since the last upload.
    std::uint32_t boundsStride = 0;
    float boundsCentre[3] = {};
    float boundsRadius = 0;

private:
    std::shared_ptr<GlShared> shared_;
};

class GlIndexBuffer : public IndexBuffer {
public:
    explicit GlIndexBuffer(std::shared_ptr<GlShared> shared) : shared_(std::move(shared)) { glGenBuffers(1, &name); }
    ~GlIndexBuffer() override {
        if (!shared_->alive) return;
        for (GLuint& b : shared_->vaoIndexBuffer)
            if (b == name) b = 0;
        glDeleteBuffers(1, &name);
    }
    void unlock() override {
        if (!shared_->alive) return;
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(std::uint16_t)), data.data(),
                     GL_STATIC_DRAW);
        uploadedCount = data.size();
        maxIndex = 0;
        for (std::uint16_t i : data) maxIndex = std::max<std::uint32_t>(maxIndex, i);
    }
    GLuint name = 0;
    std::size_t uploadedCount = 0;
    std::uint32_t maxIndex = 0;

private:
    std::shared_ptr<GlShared> shared_;
};

}  // namespace hc::gl
