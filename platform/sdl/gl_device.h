#pragma once
#include <memory>

#include "platform/device.h"

struct SDL_Window;

namespace hc {

// The OpenGL 3.3 core device on an SDL window; null (with the context released) on failure.
std::unique_ptr<Device> createGlDevice(SDL_Window* window, const PresentConfig& config);

}  // namespace hc
