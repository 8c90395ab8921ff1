#pragma once
#include "platform/headless/headless_platform.h"
#include "tools/gamedrive/pad_feed.h"

namespace hc {

// The script's pad on the headless platform's scripted input.
class ScriptedPad : public PadFeed {
public:
    explicit ScriptedPad(HeadlessPlatform& platform) : platform_(platform) {}
    void apply(const PadPicture& pad) override;

private:
    HeadlessPlatform& platform_;
};

}  // namespace hc
