// Fuzz target for PNG loading: the input becomes an image file that TextureCache::load reads through
// the headless device, at the file's own size and at a size the caller asks for. A load either succeeds
// with a texture of a usable size and is released, or fails with the game's message; either way the
// cache ends empty.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/services.h"
#include "engine/texture_cache.h"
#include "platform/headless/headless_device.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_png_" + std::to_string(getpid()) + ".png";
    static std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    device->recording = false;
    hc::gDevice = device.get();

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    hc::TextureEntry* entry = nullptr;
    if (hc::TextureCache::load(entry, path)) {
        if (!entry || !entry->texture) std::abort();
        hc::TextureCache::release(entry);
    } else if (entry) {
        std::abort();  // a failed load hands nothing back
    }
    // As the sprite sheets load: scaled to a size of the caller's.
    if (auto texture = hc::createTextureFromFile(*device, path, 48, 20, 0xFF00FF00u)) {
        if (texture->width != 48 || texture->height != 20) std::abort();
    }
    std::remove(path.c_str());
    if (hc::TextureCache::size() != 0) std::abort();
    return 0;
}
