// Entry of both programs; HC_FULLSCREEN selects the presentation.
#include "app/application.h"
#include "platform/sdl/sdl_platform.h"

#ifndef HC_FULLSCREEN
#define HC_FULLSCREEN 0
#endif

int main() {
    hc::SdlPlatform platform;
    return hc::runProgram(platform, HC_FULLSCREEN ? hc::fullScreenPresent() : hc::windowedPresent(), "刃");
}
