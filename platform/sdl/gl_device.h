#pragma once
#include <memory>

#include "platform/device.h"

struct SDL_Window;

namespace hc {

// Asks for the buffers the device draws into directly (24-bit depth, no stencil, double buffered).
// Call it before creating the window: the window's pixel format is chosen then. A window without them
// still works, through an off-screen back buffer that costs a copy per frame.
void setGlWindowAttributes();

// The OpenGL 3.3 core device on an SDL window; null (with the context released) on failure.
std::unique_ptr<Device> createGlDevice(SDL_Window* window, const PresentConfig& config);

}  // namespace hc
