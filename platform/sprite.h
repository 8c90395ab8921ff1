#pragma once
// The 2-D sprite batcher: Begin saves the device state and sets its own, End restores what Begin saved,
// so state the caller sets inside the bracket applies only to the sprites drawn in it.
#include <cstdint>

#include "platform/device.h"

namespace hc {

enum : std::uint32_t { SPRITE_ALPHABLEND = 0x10 };

class Sprite {
public:
    explicit Sprite(Device& device);
    ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;
    bool begin(std::uint32_t flags);
    void end();
    void setTransform(const Matrix& m);
    const Matrix& transform() const { return transform_; }
    // Draws source (null: whole texture) with its top-left corner at position - centre (null: 0),
    // then the sprite transform; colour modulates the texture.
    void draw(Texture* texture, const Rect* source, const Vec3* centre, const Vec3* position, Colour colour);
    Device& device() { return device_; }

private:
    Device& device_;
    Matrix transform_ = Matrix::identity();
    bool inBracket_ = false;
    struct Saved;
    Saved* saved_ = nullptr;
};

}  // namespace hc
