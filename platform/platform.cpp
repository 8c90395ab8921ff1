#include "platform/platform.h"

namespace hc {

namespace {
Platform* current = nullptr;
}

Platform& platform() { return *current; }
void setPlatform(Platform* p) { current = p; }
bool hasPlatform() { return current != nullptr; }

}  // namespace hc
