// The driver's input script parser on arbitrary text: it must accept or reject, never crash, and
// everything it accepts must be in range.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/gamedrive/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    hc::InputScript script;
    std::string error;
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!script.parse(text, "fuzz", error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    int previous = 0;
    for (const auto& a : script.actions) {
        bool inRange = a.tick >= 1 && a.tick >= previous && a.button >= 0 && a.button < 10 && a.x >= -1000 &&
                       a.x <= 1000 && a.y >= -1000 && a.y <= 1000;
        if (!inRange) std::abort();
        previous = a.tick;
    }
    return 0;
}
