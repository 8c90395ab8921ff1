#pragma once
#include <string>
#include <vector>

#include "engine/texture_cache.h"

namespace hc {

// The knight's idle remarks: a speech window near the bottom of the screen that opens after two
// seconds of standing still and moves on to the next remark every four seconds or on B.
class MutterWindow {
public:
    static constexpr int kRecordBytes = 128;
    struct Record {
        char text[kRecordBytes] = {};
    };

    TextureEntry* windowSheet = nullptr;
    std::vector<Record> lines;  // one record per line read, line break kept
    int visible = 0;
    int shownOnce = 0;
    int timer = 0;
    int index = 0;  // 0 until the first showing, then 1 ... count
    int count = 0;  // lines read minus one: the first line is a heading, never shown

    bool init(const std::string& path = "Resource_Blade/Event/つぶやき.txt");
    void update(int idle);
    void draw();
    void release();

    // Which of the five window pictures a remark of this many Shift-JIS bytes uses (0 narrowest).
    static int windowFor(int bytes);

private:
    void advance();
};

}  // namespace hc
