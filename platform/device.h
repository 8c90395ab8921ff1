#pragma once
// The fixed-function 3-D device. The base class keeps every piece of state the game sets (so a
// headless run can be inspected) and records the calls when asked; back ends draw with that state.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_types.h"

namespace hc {

class Device;

// A 32-bit ARGB texture with one level. The pixels stay readable on the CPU side.
class Texture {
public:
    virtual ~Texture() = default;
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // width * height, row-major, 0xAARRGGBB
    // Uploads pixels again after the caller changed them.
    virtual void update() {}
};

// Vertex and index buffers: the caller writes into data between lock() and unlock().
class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    std::vector<std::uint8_t> data;
    std::uint8_t* lock() { return data.data(); }
    virtual void unlock() {}
};

class IndexBuffer {
public:
    virtual ~IndexBuffer() = default;
    std::vector<std::uint16_t> data;
    std::uint16_t* lock() { return data.data(); }
    virtual void unlock() {}
};

enum class CallKind : std::uint32_t {
    BeginScene,
    EndScene,
    Present,
    Clear,
    SetRenderState,
    SetTextureStageState,
    SetSamplerState,
    SetTransform,
    SetLight,
    LightEnable,
    SetMaterial,
    SetTexture,
    SetVertexFormat,
    SetStreamSource,
    SetIndices,
    DrawIndexedPrimitive,
    DrawPrimitiveUP,
};

// One recorded call. a, b and value carry the call's arguments (state, index, value); for draws, a is the
// primitive type, b the start index (indexed draws) or the vertex format (UP draws), value the primitive
// count, and the state in force is captured in the fields below.
struct DeviceCall {
    CallKind kind;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t value = 0;
    Matrix world;                      // draws: the world transform in force
    const Texture* texture = nullptr;  // draws and SetTexture: stage 0 texture
    Colour colour = 0;                 // Clear: the colour; UP draws: the first vertex colour
    Rect screenRect;                   // UP draws in screen space: bounding box of the vertices
    Rect sourceRect;                   // UP draws in screen space with a texture: texels drawn
};

class Device {
public:
    virtual ~Device() = default;

    // Frame.
    virtual void beginScene();
    virtual void endScene();
    virtual void present();
    virtual void clear(std::uint32_t flags, Colour colour, float z, std::uint32_t stencil);

    // State. Setters record and store; back ends read the stored state when they draw.
    void setRenderState(RenderState state, std::uint32_t value);
    std::uint32_t renderState(RenderState state) const;
    void setTextureStageState(std::uint32_t stage, TextureStageState state, std::uint32_t value);
    std::uint32_t textureStageState(std::uint32_t stage, TextureStageState state) const;
    void setSamplerState(std::uint32_t sampler, SamplerState state, std::uint32_t value);
    std::uint32_t samplerState(std::uint32_t sampler, SamplerState state) const;
    void setTransform(TransformType type, const Matrix& m);
    const Matrix& transform(TransformType type) const;
    void setLight(std::uint32_t index, const Light& light);  // index < 16
    const Light& light(std::uint32_t index) const;
    void lightEnable(std::uint32_t index, bool enable);
    bool lightEnabled(std::uint32_t index) const;
    void setMaterial(const Material& m);
    const Material& material() const { return material_; }
    void setTexture(std::uint32_t stage, Texture* texture);  // only stage 0 is sampled
    Texture* texture(std::uint32_t stage) const;
    DeviceCaps caps() const { return caps_; }
    // False when the back end could not read its capabilities; callers then do without the extras.
    bool capsAvailable() const { return capsAvailable_; }
    // Back ends report their hardware here; tests model other hardware with it.
    void setCaps(const DeviceCaps& caps, bool available = true) {
        caps_ = caps;
        capsAvailable_ = available;
    }

    // Resources.
    virtual std::unique_ptr<Texture> createTexture(int width, int height, const Colour* pixels) = 0;
    virtual std::unique_ptr<VertexBuffer> createVertexBuffer(std::size_t bytes) = 0;
    virtual std::unique_ptr<IndexBuffer> createIndexBuffer(std::size_t count) = 0;

    // Drawing.
    void setVertexFormat(VertexFormat format);
    void setStreamSource(VertexBuffer* buffer, std::uint32_t stride);
    void setIndices(IndexBuffer* buffer);
    void drawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertex, std::uint32_t startIndex,
                              std::uint32_t primitiveCount);
    void drawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                         std::uint32_t stride);

    // The back buffer's size and contents (ARGB, top row first), for screenshots and drawing tests.
    // After present, what the back buffer holds is undefined (a window's buffers were swapped), unless
    // keepPresentedFrame was set for that present: then reads return the frame it showed, until the next
    // clear or draw. A back end fails a read it cannot answer.
    virtual int backBufferWidth() const = 0;
    virtual int backBufferHeight() const = 0;
    virtual bool readBackBuffer(std::vector<Colour>& pixels) = 0;
    bool keepPresentedFrame = false;
    // Off: nothing will look at the frames drawn meanwhile (the driver between its screenshots), so a back
    // end may leave their clears and draws undone. State, resources and recording carry on as ever; reads
    // of such a frame fail.
    bool drawFrames = true;

    // Recording: when on, every call above is appended to calls.
    bool recording = false;
    std::vector<DeviceCall> calls;

protected:
    virtual void doDrawIndexed(PrimitiveType type, std::int32_t baseVertex, std::uint32_t startIndex,
                               std::uint32_t primitiveCount) = 0;
    virtual void doDrawUP(PrimitiveType type, std::uint32_t primitiveCount, const void* vertices,
                          std::uint32_t stride) = 0;
    void record(const DeviceCall& call);

    std::array<std::uint32_t, kRenderStateCount> renderStates_{};
    std::array<std::array<std::uint32_t, kTextureStageStateCount>, 8> stageStates_{};
    std::array<std::array<std::uint32_t, kSamplerStateCount>, 8> samplerStates_{};
    Matrix world_ = Matrix::identity(), view_ = Matrix::identity(), projection_ = Matrix::identity();
    std::array<Light, 16> lights_{};
    std::array<bool, 16> lightEnabled_{};
    Material material_{};
    std::array<Texture*, 8> textures_{};
    VertexFormat vertexFormat_ = VertexFormat::None;
    VertexBuffer* stream_ = nullptr;
    std::uint32_t streamStride_ = 0;
    IndexBuffer* indices_ = nullptr;
    DeviceCaps caps_{};
    bool capsAvailable_ = true;
    bool inScene_ = false;

    // Sets the original device's defaults (used by constructors of back ends).
    void resetDefaults();
};

// How the window's device presents: the two programs differ only here.
struct PresentConfig {
    bool fullscreen = false;  // gamefull: 1280x720 back buffer on a desktop full-screen window
    int backBufferWidth = 0;  // 0: the window's client size
    int backBufferHeight = 0;
};

}  // namespace hc
