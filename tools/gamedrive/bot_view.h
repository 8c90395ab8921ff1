#pragma once
// What the bot sees of the program after a tick: which screen is up and, in a run, the knight, the
// golems and the flags that say what the game waits for. Filled from the scenes; the bot decides its
// pad from this alone.
#include <cstdint>
#include <vector>

namespace hc {

class Application;
class BotGrid;

struct BotEnemy {
    int index = 0;  // in the wave, which sets its ring radius and timers
    int kind = 0;
    int state = 0;  // 0 approach, 1 ring, 2 charge, 3 knock-back
    int stateTimer = 0;
    int hitPoints = 0;
    float x = 0, z = 0;
    float knockHeading = 0;  // degrees along (cos h, sin h): the line of a charge
};

struct BotView {
    enum class Screen { None,
                        Title,
                        Ranking,
                        Game };
    enum Result { kRunning = 0,
                  kCleared = 1,
                  kDefeated = 2 };

    Screen screen = Screen::None;
    bool endless = false;

    // The title.
    int titleCursor = 1;  // 1 start, 0 ranking, 2 quit
    bool titleDecided = false;

    // A run.
    int stage = 0;
    int result = kRunning;
    int score = 0;
    bool changing = false;     // the field is changing to the next stage
    bool eventActive = false;  // a story event runs or is pending
    bool eventFading = false;  // a fade of the event; page presses are ignored meanwhile
    bool closing = false;      // the closing fade after a defeat was asked for
    bool endingActive = false;
    int endingPhase = 0;  // 0 name entry, 1 credits, 2 finished

    // The name entry.
    int currentLetter = 0;  // 0..25 A..Z, 26 blank
    int filledSlots = 0;
    bool nameWritten = false;

    // The knight.
    float x = 0, y = 0, z = 0;
    float heading = 0;  // degrees: 0 faces +z, 90 faces +x
    float gauge = 0;
    int hitPoints = 0;
    int cameraMode = 1;
    int action = 0;
    int phase = 0;  // 0 idle, 1 wind-up, 2 strike, 3 recovery
    bool queued = false;
    bool flickLatch = false;

    std::vector<BotEnemy> enemies;  // living and on the field
    std::vector<BotEnemy> pending;  // still to enter, where they will appear
    int enemiesLeft = 0;
    // Ticks until the next drop of blocks begins (its shake or its fall); -1: none is coming.
    int dropIn = -1;
    std::uint64_t fieldKey = 0;  // changes whenever the stage's chips change
};

// Reads the view from the program's scenes. When the field's chips changed since the last call (the
// key differs), grid is rebuilt from its solid walls at the knight's height.
void readBotView(const Application& app, BotView& view, BotGrid& grid, std::uint64_t& gridKey);

}  // namespace hc
