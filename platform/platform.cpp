#include "platform/platform.h"

namespace hc {

namespace {
Platform* current = nullptr;
}

Platform& platform() { return *current; }
void setPlatform(Platform* p) { current = p; }

}  // namespace hc
