#pragma once
// Files for tests that load what the game loads: small meshes and sounds in the formats the game reads
// (the scratch working folder is in tests/support/).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/working_folder.h"

namespace hc::testfiles {

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A text .x box from (x0, y0, z0) to (x1, y1, z1) with one grey material, faces clockwise seen from outside.
inline std::string boxMeshText(float x0, float y0, float z0, float x1, float y1, float z1) {
    char text[4096];
    std::snprintf(text, sizeof text,
                  "xof 0303txt 0032\n"
                  "Mesh box {\n"
                  " 8;\n"
                  " %g;%g;%g;, %g;%g;%g;, %g;%g;%g;, %g;%g;%g;,\n"
                  " %g;%g;%g;, %g;%g;%g;, %g;%g;%g;, %g;%g;%g;;\n"
                  " 12;\n"
                  " 3;0,1,2;, 3;0,2,3;, 3;7,6,5;, 3;7,5,4;,\n"
                  " 3;4,5,1;, 3;4,1,0;, 3;3,2,6;, 3;3,6,7;,\n"
                  " 3;0,3,7;, 3;0,7,4;, 3;1,5,6;, 3;1,6,2;;\n"
                  " MeshMaterialList {\n"
                  "  1; 12; 0,0,0,0,0,0,0,0,0,0,0,0;;\n"
                  "  Material { 0.5;0.5;0.5;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
                  " }\n"
                  "}\n",
                  x0, y0, z0, x0, y1, z0, x1, y1, z0, x1, y0, z0,
                  x0, y0, z1, x0, y1, z1, x1, y1, z1, x1, y0, z1);
    return text;
}

// A canonical 44-byte-header mono PCM WAV of silence.
inline std::string silentPcmWav(std::uint32_t rate, std::uint16_t bits, std::uint32_t dataBytes) {
    std::string w;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v) {
        w.push_back(static_cast<char>(v & 0xFF));
        w.push_back(static_cast<char>(v >> 8));
    };
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(bits / 8);
    w += "RIFF";
    u32(36 + dataBytes);
    w += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * blockAlign);
    u16(blockAlign);
    u16(bits);
    w += "data";
    u32(dataBytes);
    w.append(dataBytes, bits == 8 ? static_cast<char>(0x80) : '\0');  // 8-bit silence sits mid-range
    return w;
}

}  // namespace hc::testfiles
