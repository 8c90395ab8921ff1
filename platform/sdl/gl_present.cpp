// Presentation: the window or an off-screen back buffer to draw into, reading it back, showing it scaled
// onto the window, and the wait that keeps at most one frame in flight.
#include "platform/sdl/gl_present.h"

#include "platform/sdl/gl_shaders.h"

namespace hc::gl {

void GlPresenter::release() {
    if (lastFrame_) glDeleteSync(lastFrame_);
    lastFrame_ = nullptr;
    if (scaleProgram_) glDeleteProgram(scaleProgram_);
    if (scaleVao_) glDeleteVertexArrays(1, &scaleVao_);
    if (scaleSampler_) glDeleteSamplers(1, &scaleSampler_);
    scaleProgram_ = scaleVao_ = scaleSampler_ = 0;
    releaseTarget();
}

// At most one frame in flight. A swap that waits for the display throttles the loop anyway, but a
// hidden window, or a surface whose swap does nothing (SDL's offscreen driver), would let a renderer
// slower than the ticks (a software one) queue frame after frame, each holding its commands and data,
// until memory runs out. So each present waits for the frame before it to be finished.
void GlPresenter::throttle() {
    if (lastFrame_) {
        glClientWaitSync(lastFrame_, GL_SYNC_FLUSH_COMMANDS_BIT, kFrameWaitNs);
        glDeleteSync(lastFrame_);
    }
    lastFrame_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
}

// Drawing straight into the window saves a full-frame copy per present; that needs the window to show
// the back buffer pixel for pixel, with a depth buffer as fine as the off-screen one. GL vouches for a
// window's pixels only while it is shown, so a hidden window's frames are drawn off-screen (they are
// not copied anywhere then).
bool GlPresenter::drawsDirectly(int drawableWidth, int drawableHeight) const {
    return windowDepthOk && drawableWidth == width && drawableHeight == height && windowShown();
}

bool GlPresenter::windowHasDepth() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint type = GL_NONE, bits = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    if (type != GL_NONE)
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &bits);
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return bits >= 24;
}

// Binds the window or an off-screen target of the back buffer's size for the frames that follow.
bool GlPresenter::useTarget(bool direct) {
    releaseTarget();
    bool ok = direct || createTarget();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    return ok;
}

// After a present: a windowed back buffer follows the window's client size, and the target follows
// whether the window still shows the back buffer unscaled.
bool GlPresenter::followWindow() {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    if (w <= 0 || h <= 0) return false;  // minimised: nothing to follow
    bool resized = false;
    if (!fullscreen && sizeFollowsWindow && (w != width || h != height)) {
        width = w;
        height = h;
        resized = true;
    }
    bool direct = drawsDirectly(w, h);
    if (!resized && direct == (fbo == 0)) return false;
    useTarget(direct);
    return true;
}

// The off-screen back buffer scaled onto the window with its aspect kept; bars stay black.
bool GlPresenter::showScaled(GLuint deviceProgram, GLuint deviceSampler) {
    bool scaledByQuad = false;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (w > 0 && h > 0) {
        int dw = w, dh = h;
        if (static_cast<long long>(w) * height > static_cast<long long>(h) * width) {
            dw = static_cast<int>(static_cast<long long>(h) * width / height);
        } else {
            dh = static_cast<int>(static_cast<long long>(w) * height / width);
        }
        int x0 = (w - dw) / 2, y0 = (h - dh) / 2;
        if (dw != w || dh != h) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        if (dw == width && dh == height) {
            glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
            glBlitFramebuffer(0, 0, width, height, x0, y0, x0 + dw, y0 + dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        } else if (prepareScaling(deviceProgram)) {
            drawScaled(x0, y0, dw, dh, deviceProgram, deviceSampler);
            scaledByQuad = true;
        } else {
            glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
            glBlitFramebuffer(0, 0, width, height, x0, y0, x0 + dw, y0 + dh, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glViewport(0, 0, width, height);
    return scaledByQuad;
}

// The scaling quad's program, made the first time a frame is scaled; false if it cannot be.
bool GlPresenter::prepareScaling(GLuint deviceProgram) {
    if (scaleProgram_) return true;
    if (scaleFailed_) return false;
    scaleProgram_ = linkProgram(kScaleVertexShader, kScaleFragmentShader);
    if (!scaleProgram_) {
        scaleFailed_ = true;
        return false;
    }
    glUseProgram(scaleProgram_);
    glUniform1i(glGetUniformLocation(scaleProgram_, "uFrame"), 0);
    glUseProgram(deviceProgram);
    glGenVertexArrays(1, &scaleVao_);
    glGenSamplers(1, &scaleSampler_);
    glSamplerParameteri(scaleSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(scaleSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(scaleSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(scaleSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return true;
}

// Draws the frame's texture over the window rectangle with the scaling program, then hands the
// device's own program, sampler and texture back; fixed state is re-applied at the next draw.
void GlPresenter::drawScaled(int x, int y, int w, int h, GLuint deviceProgram, GLuint deviceSampler) {
    glViewport(x, y, w, h);
    glUseProgram(scaleProgram_);
    glBindVertexArray(scaleVao_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colourTexture_);
    glBindSampler(0, scaleSampler_);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindSampler(0, deviceSampler);
    glUseProgram(deviceProgram);
    shared->boundTexture = nullptr;
}

// The target's pixels as ARGB, top row first.
bool GlPresenter::readTarget(std::vector<Colour>& pixels) {
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    rows_.resize(count);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows_.data());
    pixels.resize(count);
    // GL's rows run bottom-up; the screen shows no alpha, so the pixels read back opaque.
    for (int y = 0; y < height; ++y) {
        const Colour* src = rows_.data() + static_cast<std::size_t>(height - 1 - y) * width;
        Colour* dst = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) dst[x] = src[x] | 0xFF000000u;
    }
    return glGetError() == GL_NO_ERROR;
}

// The colour is a texture, which the scaling quad samples.
bool GlPresenter::createTarget() {
    glGenFramebuffers(1, &fbo);
    glGenTextures(1, &colourTexture_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colourTexture_);
    shared->boundTexture = nullptr;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenRenderbuffers(1, &depthBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer_);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void GlPresenter::releaseTarget() {
    if (fbo) glDeleteFramebuffers(1, &fbo);
    if (colourTexture_) glDeleteTextures(1, &colourTexture_);
    if (depthBuffer_) glDeleteRenderbuffers(1, &depthBuffer_);
    fbo = colourTexture_ = depthBuffer_ = 0;
}

}  // namespace hc::gl
