#pragma once
#include <memory>

#include "platform/device.h"

namespace hc {

// Records every call and keeps the state; draws nothing. Back buffer reads give the clear colour.
std::unique_ptr<Device> createHeadlessDevice(int width = 1280, int height = 720);

}  // namespace hc
