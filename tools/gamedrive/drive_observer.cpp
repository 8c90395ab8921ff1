#include "tools/gamedrive/drive_observer.h"

#include "app/application.h"
#include "engine/services.h"
#include "platform/image.h"

namespace hc {

DriveObserver::DriveObserver(const InputScript& script, PadFeed& pad, int tickLimit)
    : script_(script), pad_(pad), tickLimit_(tickLimit) {
    for (const InputScript::Action& a : script.actions)
        if (a.kind == InputScript::Kind::Shot) shots_.emplace(a.tick, a.file);
}

void DriveObserver::addShot(int tick, const std::string& file) { shots_.emplace(tick, file); }

void DriveObserver::beforeTick(Application&, int tick) {
    // Nothing here reads the recording device's list of calls, which would grow without end in a
    // long run.
    if (gDevice) {
        gDevice->recording = false;
        gDevice->calls.clear();
    }
    bool changed = false;
    for (; next_ < script_.actions.size() && script_.actions[next_].tick <= tick; ++next_) {
        const InputScript::Action& a = script_.actions[next_];
        switch (a.kind) {
        case InputScript::Kind::Press:
            picture_.buttons[a.button] = true;
            changed = true;
            break;
        case InputScript::Kind::Release:
            picture_.buttons[a.button] = false;
            changed = true;
            break;
        case InputScript::Kind::Left:
            picture_.leftX = a.x;
            picture_.leftY = a.y;
            changed = true;
            break;
        case InputScript::Kind::Right:
            picture_.rightX = a.x;
            picture_.rightY = a.y;
            changed = true;
            break;
        case InputScript::Kind::Triggers:
            picture_.triggers = a.x;
            changed = true;
            break;
        case InputScript::Kind::End:
            if (a.tick == tick) endRequested_ = true;
            break;
        case InputScript::Kind::Shot: break;  // taken after the draw
        case InputScript::Kind::KeyDown:
        case InputScript::Kind::KeyUp:
            // Into SDL's event queue, read by the keyboard as it enters: down before this tick's read.
            if (!pad_.key(a.key, a.kind == InputScript::Kind::KeyDown))
                failures.push_back("line " + std::to_string(a.line) + ": the key could not be sent");
            break;
        case InputScript::Kind::PadDetach:
            if (changed) pad_.apply(picture_);
            changed = false;
            if (!pad_.plug(false)) failures.push_back("line " + std::to_string(a.line) + ": the pad could not be pulled out");
            break;
        case InputScript::Kind::PadAttach:
            // Plugged in again with whatever the script holds on it.
            if (!pad_.plug(true)) failures.push_back("line " + std::to_string(a.line) + ": the pad could not be plugged in");
            changed = true;
            break;
        }
    }
    if (changed) pad_.apply(picture_);
    // Only the frames a shot may show are worth drawing, and keeping through the present that ends them.
    // A tick that enters a scene presents nothing, so its shot shows the frame of the tick before.
    bool shown = shots_.count(tick) > 0 || shots_.count(tick + 1) > 0;
    if (gDevice) {
        gDevice->drawFrames = shown;
        gDevice->keepPresentedFrame = shown;
    }
}

bool DriveObserver::afterTick(Application& app, int tick) {
    lastTick_ = tick;
    auto range = shots_.equal_range(tick);
    for (auto it = range.first; it != range.second; ++it) {
        if (!takeShot(it->second)) failures.push_back("shot at tick " + std::to_string(tick) + " to " + it->second + " failed");
    }
    shots_.erase(range.first, range.second);
    hadGame_ = app.scenes.gameScene != nullptr;
    if (hadGame_) {
        lastGame_ = RunReport();
        describeGame(*app.scenes.gameScene, lastGame_);
    }
    if (endRequested_) {
        exitName = "script-end";
        return false;
    }
    if (tickLimit_ > 0 && tick >= tickLimit_) {
        exitName = "tick-limit";
        return false;
    }
    return true;
}

void DriveObserver::finished(Application& app) {
    if (exitName.empty()) exitName = exitReasonName(app.exitReason);
    report = RunReport::describe(app, app.ticksRun, exitName);
    // A run that ended by releasing its scenes still reports the game it was in.
    if (!app.scenes.gameScene && hadGame_ && app.scenes.sceneKind == SceneManager::kGame) report.append(lastGame_);
    for (const auto& shot : shots_)
        failures.push_back("shot at tick " + std::to_string(shot.first) + " to " + shot.second + " not reached");
}

bool DriveObserver::takeShot(const std::string& file) {
    if (!gDevice) return false;
    std::vector<Colour> pixels;
    if (!gDevice->readBackBuffer(pixels)) return false;
    return writePng(file, gDevice->backBufferWidth(), gDevice->backBufferHeight(), pixels);
}

}  // namespace hc
