#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/texture_cache.h"
#include "platform/math3d.h"
#include "scenes/mutter_window.h"

namespace hc {

// The story told at the start of stage 1 and after stages 3 and 30: pages of three script lines,
// turned with B, framed by fades, with a second knight standing beside the player in the later two.
// Each event owns a fixed range of script lines; the page index only ever moves forward, so the three
// events read consecutive parts of the script. The same object draws the closing fade of a run.
class ScenarioEvent {
public:
    static constexpr int kRecordBytes = 128;
    struct Record {
        char text[kRecordBytes] = {};
    };
    static constexpr const char* kScriptPath = "Resource_Blade/Event/シナリオ改.txt";

    MutterWindow mutter;        // the idle remarks, kept with the story they belong to
    std::vector<Record> lines;  // the script, one record per line read, line break kept
    unsigned int lineCount = 0;
    TextureEntry* fadeTexture = nullptr;
    unsigned int topLine = 0;  // first line of the page shown
    int active = 0;            // an event is pending or running
    int finished = 0;          // the last event ended (cleared by the game scene on the next stage)
    int fading = 0;            // the screen fade is between its end values
    int fadeLevel = 0;
    int fadeStarted = 0;       // 0: the next screen fade starts from its first level
    int finalFadeOut = 0;      // the last event is past its last page and fading out
    int endlessHold = 0;       // endless run: the opening fade is still to finish
    int closingRequested = 0;  // set by the game scene
    int closingDone = 0;       // read by the game scene
    int closingLevel = 0;
    MeshEntry* footLeftMesh = nullptr;
    MeshEntry* footRightMesh = nullptr;
    MeshEntry* bodyMesh = nullptr;
    MeshEntry* handMesh = nullptr;
    std::unique_ptr<Vec3> knightPosition;  // placed by the game scene; freed when an event ends
    int knightVisible = 0;

    bool init(int endlessMode);
    // Reads the script into lines; false when the file cannot be opened.
    bool readScript(const std::string& path);
    // phase 0 after a stage is cleared, 1 while an event runs. Returns 1 while the game stays in the
    // event (pending or running), 0 otherwise.
    int update(int stage, int phase);
    void drawKnight(const Matrix& playerWorld);  // 3-D pass
    void drawText();                             // 2-D pass
    // kind 0 resets, 1 fades out to the fade picture, 2 fades in from it. Returns 1 while fading.
    int fadeScreen(int kind);
    // Returns true once the picture is fully opaque.
    bool drawClosingFade();
    void release();

private:
    void drawFadePicture(int level);
};

}  // namespace hc
