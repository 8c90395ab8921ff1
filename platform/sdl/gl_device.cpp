// The OpenGL 3.3 device: Direct3D's calls, resources and draw state on GL. The pieces it is built from
// live beside it: gl_shaders (shader source), gl_programs (programs by state), gl_state (state
// translation and light upload), gl_present (targets and presentation), gl_resources (textures, buffers).
#include "platform/sdl/gl_device.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/sdl/gl_present.h"
#include "platform/sdl/gl_programs.h"
#include "platform/sdl/gl_resources.h"
#include "platform/sdl/gl_shaders.h"
#include "platform/sdl/gl_state.h"

namespace hc {

namespace {

using namespace gl;

constexpr std::size_t kStreamBytes = 1u << 20;

class GlDevice : public Device {
public:
    GlDevice(SDL_Window* window, SDL_GLContext context, const PresentConfig& config)
        : window_(window), context_(context) {
        resetDefaults();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        present_.window = window;
        present_.fullscreen = config.fullscreen;
        present_.width = config.backBufferWidth > 0 ? config.backBufferWidth : std::max(w, 1);
        present_.height = config.backBufferHeight > 0 ? config.backBufferHeight : std::max(h, 1);
        present_.sizeFollowsWindow = config.backBufferWidth <= 0 || config.backBufferHeight <= 0;
        shared_ = std::make_shared<GlShared>();
        present_.shared = shared_.get();
    }

    ~GlDevice() override {
        shared_->alive = false;
        programs_.release();
        glDeleteVertexArrays(4, upVao_);
        glDeleteVertexArrays(4, bufferVao_);
        if (streamBuffer_) glDeleteBuffers(1, &streamBuffer_);
        if (sampler_) glDeleteSamplers(1, &sampler_);
        present_.release();
        SDL_GL_DeleteContext(context_);
    }

    bool init() {
        // The program of untextured sprites proves that the shaders build here; the others are built
        // when a draw first needs them.
        if (!programs_.programFor(keyFor(static_cast<int>(VertexFormat::ScreenColourTex)))) return false;

        glGenVertexArrays(4, upVao_);
        glGenVertexArrays(4, bufferVao_);
        glGenBuffers(1, &streamBuffer_);
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);

        glGenSamplers(1, &sampler_);
        glBindSampler(0, sampler_);

        // The original device's front faces are clockwise on screen.
        glFrontFace(GL_CW);
        glDisable(GL_DITHER);
        present_.windowDepthOk = present_.windowHasDepth();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        if (!useTarget(present_.drawsDirectly(w, h))) return false;
        return glGetError() == GL_NO_ERROR;
    }

    void clear(std::uint32_t flags, Colour colour, float z, std::uint32_t stencil) override {
        Device::clear(flags, colour, z, stencil);
        if (!drawing()) return;
        GLbitfield mask = 0;
        if (flags & CLEAR_TARGET) {
            float c[4];
            colourToFloats(colour, c);
            glClearColor(c[0], c[1], c[2], c[3]);
            mask |= GL_COLOR_BUFFER_BIT;
        }
        // Only draws with the depth test on see depth, so its clear waits for the first of them: a frame of
        // sprites alone (the title, the ranking) never pays for it.
        if (flags & CLEAR_ZBUFFER) {
            depthClearPending_ = true;
            depthClearValue_ = std::clamp(z, 0.0f, 1.0f);
        }
        // Nothing tests stencil, and our buffers carry none.
        if (flags & CLEAR_STENCIL) {
            glClearStencil(static_cast<GLint>(stencil));
            mask |= GL_STENCIL_BUFFER_BIT;
        }
        if (mask) glClear(mask);
    }

    void present() override {
        Device::present();
        keptValid_ = keepPresentedFrame && backDefined_ && present_.readTarget(kept_);
        // A hidden window shows nothing: no scaling, no swap, no wait for the display. GL still finishes the
        // frames whenever it needs to, and a read-back waits for them.
        if (present_.windowShown()) {
            if (present_.fbo && present_.showScaled(programs_.current ? programs_.current->name : 0, sampler_))
                gl_.depthTest = gl_.blend = gl_.cull = gl_.fill = -1;
            SDL_GL_SwapWindow(window_);
        }
        if (!present_.fbo) backDefined_ = false;  // the window's back buffer is undefined after a swap
        if (present_.followWindow()) backDefined_ = false;
        present_.throttle();
    }

    std::unique_ptr<Texture> createTexture(int width, int height, const Colour* pixels) override {
        auto t = std::make_unique<GlTexture>(shared_);
        t->width = std::max(width, 0);
        t->height = std::max(height, 0);
        std::size_t count = static_cast<std::size_t>(t->width) * static_cast<std::size_t>(t->height);
        if (pixels)
            t->pixels.assign(pixels, pixels + count);
        else
            t->pixels.assign(count, 0);
        t->update();
        return t;
    }

    std::unique_ptr<VertexBuffer> createVertexBuffer(std::size_t bytes) override {
        auto b = std::make_unique<GlVertexBuffer>(shared_);
        b->data.resize(bytes);
        return b;
    }

    std::unique_ptr<IndexBuffer> createIndexBuffer(std::size_t count) override {
        auto b = std::make_unique<GlIndexBuffer>(shared_);
        b->data.resize(count);
        return b;
    }

    int backBufferWidth() const override { return present_.width; }
    int backBufferHeight() const override { return present_.height; }

    bool readBackBuffer(std::vector<Colour>& pixels) override {
        if (keptValid_) {
            pixels = kept_;
            return true;
        }
        return backDefined_ && present_.readTarget(pixels);
    }

protected:
    void doDrawIndexed(PrimitiveType type, std::int32_t baseVertex, std::uint32_t startIndex,
                       std::uint32_t primitiveCount) override {
        if (!drawing()) return;
        auto* vb = dynamic_cast<GlVertexBuffer*>(stream_);
        auto* ib = dynamic_cast<GlIndexBuffer*>(indices_);
        int format = static_cast<int>(vertexFormat_);
        if (!vb || !ib || format <= 0 || format > 3 || streamStride_ == 0 || primitiveCount == 0) return;
        std::uint64_t count = verticesFor(type, primitiveCount);
        if (startIndex + count > ib->uploadedCount) return;
        if (baseVertex < 0) return;
        std::uint64_t vertices = vb->uploadedBytes / streamStride_;
        if (static_cast<std::uint64_t>(baseVertex) + ib->maxIndex >= vertices) return;
        if (streamStride_ < formatSize(format)) return;

        glBindVertexArray(bufferVao_[format]);
        if (shared_->vaoVertexBuffer[format] != vb->name || bufferStride_[format] != streamStride_) {
            glBindBuffer(GL_ARRAY_BUFFER, vb->name);
            setAttributes(format, streamStride_);
            shared_->vaoVertexBuffer[format] = vb->name;
            bufferStride_[format] = streamStride_;
        }
        if (shared_->vaoIndexBuffer[format] != ib->name) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib->name);
            shared_->vaoIndexBuffer[format] = ib->name;
        }
        drawBounds_ = vb;
        const bool ready = applyState(format);
        drawBounds_ = nullptr;
        if (!ready) return;
        glDrawElementsBaseVertex(primitiveMode(type), static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(static_cast<std::uintptr_t>(startIndex) * 2), baseVertex);
    }

    void doDrawUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                  std::uint32_t stride) override {
        if (!drawing()) return;
        int format = static_cast<int>(vertexFormat_);
        if (!vertices || format <= 0 || format > 3 || stride < formatSize(format) || primitiveCount == 0) return;
        std::size_t count = verticesFor(type, primitiveCount);
        std::size_t bytes = count * stride;
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_);
        if (bytes > streamCapacity_) {
            streamCapacity_ = std::max(bytes, streamCapacity_ * 2);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
            streamOffset_ = 0;
        }
        std::size_t offset = (streamOffset_ + stride - 1) / stride * stride;
        if (offset + bytes > streamCapacity_) {
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(streamCapacity_), nullptr, GL_STREAM_DRAW);
            offset = 0;
        }
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(bytes), vertices);
        streamOffset_ = offset + bytes;

        glBindVertexArray(upVao_[format]);
        if (upStride_[format] != stride) {
            setAttributes(format, stride);
            upStride_[format] = stride;
        }
        if (!applyState(format)) return;
        glDrawArrays(primitiveMode(type), static_cast<GLint>(offset / stride), static_cast<GLsizei>(count));
    }

private:
    static std::uint32_t formatSize(int format) {
        switch (format) {
        case 1: return sizeof(VertexPositionColour);
        case 2: return sizeof(VertexPositionNormalTex);
        case 3: return sizeof(VertexScreenColourTex);
        default: return 0;
        }
    }

    // Attribute pointers for the buffer bound to GL_ARRAY_BUFFER and the VAO bound now.
    static void setAttributes(int format, std::uint32_t stride) {
        auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
        GLsizei s = static_cast<GLsizei>(stride);
        for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
        switch (format) {
        case 1:
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(12));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(2);
            break;
        case 2:
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, s, at(12));
            glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, s, at(24));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(1);
            glEnableVertexAttribArray(3);
            break;
        case 3:
            glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, s, at(0));
            glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at(16));
            glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, s, at(20));
            glEnableVertexAttribArray(0);
            glEnableVertexAttribArray(2);
            glEnableVertexAttribArray(3);
            break;
        default: break;
        }
    }

    std::uint32_t rs(RenderState s) const { return renderStates_[static_cast<int>(s)]; }

    template <typename T>
    static bool changed(T& cached, const T& now) {
        if (std::memcmp(&cached, &now, sizeof(T)) == 0) return false;
        std::memcpy(&cached, &now, sizeof(T));
        return true;
    }

    void setInt(GLint location, int& cached, int value) {
        if (cached == value) return;
        cached = value;
        glUniform1i(location, value);
    }

    // The lights that can reach the vertices drawn. Direct3D cuts point and spot lights off beyond their
    // range, so one whose range cannot reach the vertex buffer's bounding sphere adds nothing to any of
    // its vertices: leaving it out of the program saves its work per vertex and changes no pixel.
    // They are left out all together or not at all, so that a run of draws near and far from them
    // switches between two programs only, not one per combination. Directional lights, and draws without
    // a vertex buffer, keep every enabled light.
    void findLitLights() {
        litLights_ = lightEnabled_;
        GlVertexBuffer* vb = drawBounds_;
        if (!vb || rs(RenderState::Lighting) == 0) return;
        bool anyWithRange = false;
        for (int i = 0; i < 16; ++i) anyWithRange |= litLights_[i] && lights_[i].type != LightType::Directional;
        if (!anyWithRange) return;
        if (vb->boundsStride != streamStride_) measureBounds(*vb);
        const Matrix wv = multiply(world_, view_);
        const float* c = vb->boundsCentre;
        float centre[3];
        float frobenius = 0;
        for (int j = 0; j < 3; ++j) {
            centre[j] = c[0] * wv.m[0][j] + c[1] * wv.m[1][j] + c[2] * wv.m[2][j] + wv.m[3][j];
            for (int i = 0; i < 3; ++i) frobenius += wv.m[i][j] * wv.m[i][j];
        }
        // The Frobenius norm bounds how far the world-view matrix can stretch any offset from the centre.
        const float radius = vb->boundsRadius * std::sqrt(frobenius);
        const Matrix& v = view_;
        for (int i = 0; i < 16; ++i) {
            if (!litLights_[i] || lights_[i].type == LightType::Directional) continue;
            const Vec3 p = lights_[i].position;
            float d2 = 0;
            for (int j = 0; j < 3; ++j) {
                const float e = p.x * v.m[0][j] + p.y * v.m[1][j] + p.z * v.m[2][j] + v.m[3][j] - centre[j];
                d2 += e * e;
            }
            // A margin for the rounding of the shader's own distance; anything not a plain number keeps it.
            const float reach = lights_[i].range * 1.001f + 1e-3f;
            const float gap = std::sqrt(d2) - radius * 1.001f;
            if (!(gap > reach)) return;
        }
        for (int i = 0; i < 16; ++i)
            if (lights_[i].type != LightType::Directional) litLights_[i] = false;
    }

    // The box's centre and the farthest vertex from it, over the uploaded vertices at the stream's stride.
    void measureBounds(GlVertexBuffer& vb) const {
        const std::uint32_t stride = streamStride_;
        const std::size_t count = std::min(vb.uploadedBytes, vb.data.size()) / stride;
        auto position = [&vb, stride](std::size_t i, float out[3]) {
            std::memcpy(out, vb.data.data() + i * stride, 3 * sizeof(float));
        };
        float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        for (std::size_t i = 0; i < count; ++i) {
            float p[3];
            position(i, p);
            for (int j = 0; j < 3; ++j) {
                lo[j] = i == 0 ? p[j] : std::min(lo[j], p[j]);
                hi[j] = i == 0 ? p[j] : std::max(hi[j], p[j]);
            }
        }
        float r2 = 0;
        for (int j = 0; j < 3; ++j) vb.boundsCentre[j] = (lo[j] + hi[j]) * 0.5f;
        for (std::size_t i = 0; i < count; ++i) {
            float p[3];
            position(i, p);
            float d2 = 0;
            for (int j = 0; j < 3; ++j) d2 += (p[j] - vb.boundsCentre[j]) * (p[j] - vb.boundsCentre[j]);
            r2 = std::max(r2, d2);
        }
        vb.boundsRadius = std::sqrt(r2);
        vb.boundsStride = stride;
    }

    // The state a draw in this vertex format needs a program for.
    ProgramKey keyFor(int format) const {
        ProgramKey k;
        k.screenSpace = format == static_cast<int>(VertexFormat::ScreenColourTex) ? 1 : 0;
        k.hasColour = format != static_cast<int>(VertexFormat::PositionNormalTex) ? 1 : 0;
        k.lighting = !k.screenSpace && rs(RenderState::Lighting) != 0 ? 1 : 0;
        k.specular = k.lighting && rs(RenderState::SpecularEnable) != 0 ? 1 : 0;
        if (k.lighting) {
            for (int i = 0; i < 16; ++i) {
                if (!litLights_[i]) continue;
                const LightType type = lights_[i].type;
                k.lightType[k.lightCount++] =
                    type == LightType::Directional ? 3 : type == LightType::Spot ? 2
                                                                                 : 1;
            }
        }
        k.hasTexture = dynamic_cast<GlTexture*>(textures_[0]) ? 1 : 0;
        const auto& stage = stageStates_[0];
        auto at = [&stage](TextureStageState t) { return stage[static_cast<int>(t)]; };
        stageKey(at(TextureStageState::ColorOp), at(TextureStageState::ColorArg1), at(TextureStageState::ColorArg2),
                 k.colourStage);
        if (k.colourStage[0] != 1)
            stageKey(at(TextureStageState::AlphaOp), at(TextureStageState::AlphaArg1),
                     at(TextureStageState::AlphaArg2), k.alphaStage);
        if (!k.screenSpace && rs(RenderState::FogEnable)) {
            std::uint32_t table = rs(RenderState::FogTableMode);
            std::uint32_t mode = table != FOG_NONE ? table : rs(RenderState::FogVertexMode);
            k.fogMode = mode <= FOG_LINEAR ? static_cast<std::uint8_t>(mode) : 0;
        }
        const std::uint32_t func = rs(RenderState::AlphaTestEnable) ? rs(RenderState::AlphaFunc) : 0;
        k.alphaFunc = func >= CMP_NEVER && func < CMP_ALWAYS ? static_cast<std::uint8_t>(func) : 0;
        return k;
    }

    // False when no program can draw with the state in force.
    bool applyState(int format) {
        findLitLights();
        const ProgramKey key = keyFor(format);
        GlProgram* program = programs_.programFor(key);
        if (!program) return false;
        GlProgram& p = *program;

        bool worldViewChanged = changed(p.world, world_);
        worldViewChanged = changed(p.view, view_) || worldViewChanged;
        if (worldViewChanged) {
            Matrix wv = multiply(world_, view_);
            glUniformMatrix4fv(p.u.worldView, 1, GL_FALSE, &wv.m[0][0]);
            float n[9];
            normalMatrix(wv, n);
            glUniformMatrix3fv(p.u.normalMatrix, 1, GL_FALSE, n);
        }
        if (changed(p.projection, projection_)) glUniformMatrix4fv(p.u.projection, 1, GL_FALSE, &projection_.m[0][0]);
        // Screen vertices are back-buffer pixels, as Direct3D takes them: a windowed buffer a few pixels larger
        // than the 1280x720 layout shows the 2-D one to one and leaves its right and bottom edge to the 3-D.
        if (key.screenSpace && (p.screenWidth != present_.width || p.screenHeight != present_.height)) {
            p.screenWidth = present_.width;
            p.screenHeight = present_.height;
            glUniform2f(p.u.screenScale, 2.0f / static_cast<float>(p.screenWidth), 2.0f / static_cast<float>(p.screenHeight));
        }

        if (key.lighting) {
            bool lightsChanged = changed(p.lights, lights_);
            lightsChanged = changed(p.lightEnabled, litLights_) || lightsChanged;
            lightsChanged = changed(p.lightsView, view_) || lightsChanged;
            if (lightsChanged || p.lightsFresh) {
                p.lightsFresh = false;
                uploadLights(p.u, lights_, litLights_, view_, lightCache_);
            }
            if (changed(p.material, material_)) {
                glUniform4fv(p.u.materialDiffuse, 1, &material_.diffuse.r);
                glUniform4fv(p.u.materialAmbient, 1, &material_.ambient.r);
                glUniform4fv(p.u.materialSpecular, 1, &material_.specular.r);
                glUniform4fv(p.u.materialEmissive, 1, &material_.emissive.r);
                glUniform1f(p.u.materialPower, material_.power);
            }
            Colour ambient = rs(RenderState::Ambient);
            if (ambient != p.globalAmbient || p.ambientFresh) {
                p.globalAmbient = ambient;
                p.ambientFresh = false;
                float c[4];
                colourToFloats(ambient, c);
                glUniform4fv(p.u.globalAmbient, 1, c);
            }
        }

        applyPixelState(p, key);
        applySampling(sampler_, samplerStates_[0], sampling_, samplerFresh_);
        if (rs(RenderState::ZEnable) != ZB_FALSE && depthClearPending_) clearDepth();
        applyFixedState(renderStates_, gl_);
        return true;
    }

    void applyPixelState(GlProgram& p, const ProgramKey& key) {
        const bool fresh = p.pixelFresh;
        p.pixelFresh = false;
        Colour factor = rs(RenderState::TextureFactor);
        if (fresh || factor != p.textureFactor) {
            p.textureFactor = factor;
            float c[4];
            colourToFloats(factor, c);
            glUniform4fv(p.u.textureFactor, 1, c);
        }

        auto* texture = dynamic_cast<GlTexture*>(textures_[0]);
        if (texture && shared_->boundTexture != texture) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, texture->name);
            shared_->boundTexture = texture;
        }

        if (key.fogMode != 0) {
            float fog[3] = {bitsFloat(rs(RenderState::FogStart)), bitsFloat(rs(RenderState::FogEnd)),
                            bitsFloat(rs(RenderState::FogDensity))};
            if (fresh || std::memcmp(fog, p.fog, sizeof fog) != 0) {
                std::memcpy(p.fog, fog, sizeof fog);
                glUniform3fv(p.u.fog, 1, fog);
            }
            Colour fc = rs(RenderState::FogColor);
            if (fresh || fc != p.fogColour) {
                p.fogColour = fc;
                float c[4];
                colourToFloats(fc, c);
                glUniform3fv(p.u.fogColour, 1, c);
            }
        }
        float ref = static_cast<float>(rs(RenderState::AlphaRef) & 0xFF);
        if (key.alphaFunc != 0 && (fresh || ref != p.alphaRef)) {
            p.alphaRef = ref;
            glUniform1f(p.u.alphaRef, ref);
        }
    }

    // The depth clear the frame asked for. Where a window's format carries stencil anyway, it is cleared
    // too, so that packed depth-stencil words are filled whole rather than masked.
    void clearDepth() {
        depthClearPending_ = false;
        glClearDepth(depthClearValue_);
        if (gl_.depthWrite != 1) {
            glDepthMask(GL_TRUE);
            gl_.depthWrite = 1;
        }
        glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }

    // A frame is being drawn: the back buffer holds it now, not the frame kept at the last present. False
    // when the frame is not to be drawn at all; the back buffer then holds nothing to read.
    bool drawing() {
        keptValid_ = false;
        backDefined_ = drawFrames;
        return drawFrames;
    }

    // Binds the window or an off-screen target of the back buffer's size for the frames that follow.
    bool useTarget(bool direct) {
        backDefined_ = false;
        return present_.useTarget(direct);
    }

    SDL_Window* window_;
    SDL_GLContext context_;
    std::shared_ptr<GlShared> shared_;
    GlPresenter present_;

    GlPrograms programs_;
    GLuint upVao_[4] = {};
    GLuint bufferVao_[4] = {};
    std::uint32_t upStride_[4] = {};
    std::uint32_t bufferStride_[4] = {};
    GLuint streamBuffer_ = 0;
    std::size_t streamCapacity_ = kStreamBytes;
    std::size_t streamOffset_ = 0;
    GLuint sampler_ = 0;
    std::uint32_t sampling_[5] = {};
    bool samplerFresh_ = true;
    bool backDefined_ = false;
    bool depthClearPending_ = false;
    float depthClearValue_ = 1.0f;
    bool keptValid_ = false;
    std::vector<Colour> kept_;  // the frame the last present showed, when asked to keep it

    GlVertexBuffer* drawBounds_ = nullptr;  // the indexed draw's vertices, while its state is applied
    std::array<bool, 16> litLights_{};      // the enabled lights that can reach them
    GlStateCache gl_;
    LightCache lightCache_{};
};

}  // namespace

void setGlWindowAttributes() {
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

std::unique_ptr<Device> createGlDevice(SDL_Window* window, const PresentConfig& config) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    setGlWindowAttributes();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return nullptr;
    if (epoxy_gl_version() < 33) {
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    SDL_GL_SetSwapInterval(1);
    auto device = std::make_unique<GlDevice>(window, context, config);
    if (!device->init()) return nullptr;  // the destructor releases the context
    return device;
}

}  // namespace hc
