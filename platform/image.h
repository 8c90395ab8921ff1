#pragma once
// Texture creation from image files with the original loader's rules.
#include <memory>
#include <string>

#include "platform/device.h"

namespace hc {

// width/height 0: round the image up to the next power of two in each dimension and scale the picture
// into that size; explicit sizes scale it to them. Pixels equal to colourKey become transparent black.
// Returns null when the file is missing or not an image.
std::unique_ptr<Texture> createTextureFromFile(Device& device, const std::string& path, int width, int height,
                                               Colour colourKey);

// Writes ARGB pixels as a PNG file (screenshots).
bool writePng(const std::string& path, int width, int height, const std::vector<Colour>& pixels);

}  // namespace hc
