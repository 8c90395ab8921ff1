#pragma once
// Stand-ins for every file the title and the ranking screen load, written into a scratch folder that is
// the working directory while it lives. Small enough for unit tests of anything that runs those scenes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image.h"
#include "tests/unit/scratch_files.h"

namespace hc::frontend {

class ScratchDir : public testsupport::ScratchFolder {
public:
    ScratchDir() : ScratchFolder("front_end_test") {}
};

using testfiles::writeFile;

// A text .x unit box around the origin with one grey material.
inline std::string boxMeshText() { return testfiles::boxMeshText(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f); }

// A canonical 44-byte-header WAV, 8-bit mono at 8000 bytes a second; the game plays all but its last
// 44 bytes.
inline std::string wavBytes(std::uint32_t dataBytes) { return testfiles::silentPcmWav(8000, 8, dataBytes); }

inline void writeImage(const std::string& path, int width, int height, Colour colour) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    writePng(path, width, height, std::vector<Colour>(static_cast<std::size_t>(width) * height, colour));
}

// Sounds: the music lasts one second, the effects a quarter of one.
constexpr std::uint32_t kMusicBytes = 8000 + 44;
constexpr std::uint32_t kEffectBytes = 2000 + 44;

// Stage 3 in a few cells: the start cell at (1, 0, 0) and a wall block.
inline void writeBackdropFiles() {
    writeFile("Resource_Blade/CSV/Field_3.csv", "B0,P0,C0\nHa1,O2,B0\n");
    writeFile("Resource_Blade/CSV/Wall_3.csv", "L1/3\n");
    for (const char* mesh : {"rockbox.x", "cylinder_obj.x", "boxhalf_obj.x"})
        writeFile(std::string("Resource_Blade/FieldObject/") + mesh, boxMeshText());
}

inline void writeSounds() {
    writeFile("Resource_Blade/BGM/Tidewell/Op.wav", wavBytes(kMusicBytes));
    writeFile("Resource_Blade/BGM/Lullow/Ranking.wav", wavBytes(kMusicBytes));
    writeFile("Resource_Blade/SE/Harbor Tone Works/title_select_se.wav", wavBytes(kEffectBytes));
    writeFile("Resource_Blade/SE/Harbor Tone Works/title_se.wav", wavBytes(kEffectBytes));
}

// The fade picture: light grey with one keyed (opaque green) pixel and one half-transparent pixel.
inline void writeFadeImage() {
    std::vector<Colour> pixels(16, 0xFFC0C0C0u);
    pixels[0] = 0xFF00FF00u;
    pixels[1] = 0x80C0C0C0u;
    writePng("Resource_Blade/end_secnのコピー.png", 4, 4, pixels);
}

inline std::string rankingLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d-NAM%c%c-%d-%d-\n", i, 'A' + i % 26, 'A' + (i / 26) % 26, 40 - i,
                      10000 - 100 * i);
        text += line;
    }
    return text;
}

inline void writeFrontEndFiles(int normalEntries = 6, int endlessEntries = 6) {
    writeBackdropFiles();
    writeSounds();
    writeFadeImage();
    writeImage("Resource_Blade/UI/CorvaneTitle_Chip.png", 16, 8, 0xFFFFFFFFu);
    writeImage("Resource_Blade/Ranking/ranking_chip.png", 16, 16, 0xFFFFFFFFu);
    writeFile("Resource_Blade/Ranking/ranking_date", rankingLines(normalEntries));
    writeFile("Resource_Blade/Ranking/inf_ranking_date", rankingLines(endlessEntries));
}

}  // namespace hc::frontend
