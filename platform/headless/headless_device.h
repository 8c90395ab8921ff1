#pragma once
#include <memory>
#include <vector>

#include "platform/device.h"

namespace hc {

// Records every call and keeps the state; draws nothing. Back buffer reads give the clear colour.
std::unique_ptr<Device> createHeadlessDevice(int width = 1280, int height = 720);

// What recorded calls drew where (works on the calls of any device that records).

// A screen-space draw, as the sprite and the font make them: which texels of which texture went where.
struct ScreenDraw {
    const Texture* texture = nullptr;
    Rect source;        // texels (whole texture coordinates)
    Rect screen;        // pixels; right and bottom are exclusive
    Colour colour = 0;  // the first vertex's colour
};

// The calls from the last BeginScene on; empty when no frame began.
std::vector<DeviceCall> lastFrame(const std::vector<DeviceCall>& calls);
// The screen-space draws among calls, in drawing order.
std::vector<ScreenDraw> screenDraws(const std::vector<DeviceCall>& calls);
// The last screen-space draw (the one on top) covering pixel (x, y); false when none does.
bool screenDrawAt(const std::vector<DeviceCall>& calls, int x, int y, ScreenDraw& out);
// The 3-D draws (indexed and UP draws not in screen space) among calls, in drawing order.
std::vector<DeviceCall> worldDraws(const std::vector<DeviceCall>& calls);

}  // namespace hc
