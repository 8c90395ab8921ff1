// Entry of both programs; HC_FULLSCREEN selects the presentation.
#include "app/application.h"
#include "platform/sdl/sdl_platform.h"

#ifndef HC_FULLSCREEN
#define HC_FULLSCREEN 0
#endif

int main() {
    hc::SdlPlatform platform;
    hc::setPlatform(&platform);
    int status = hc::runProgram(platform, HC_FULLSCREEN ? hc::fullScreenPresent() : hc::windowedPresent(), "刃");
    hc::setPlatform(nullptr);
    return status;
}
