// Every generator writes its part of Resource_Blade/ into the tree.
#pragma once

#include <string>

#include "output_tree.h"
#include "text_renderer.h"

void makeFieldObjects(OutputTree& out);
void makeKnights(OutputTree& out);
void makeGolems(OutputTree& out);
void makeHudSheet(OutputTree& out, TextRenderer& text);
void makeTitleSheet(OutputTree& out, TextRenderer& text);
void makeRankingSheet(OutputTree& out, TextRenderer& text);
void makeMutterSheet(OutputTree& out, TextRenderer& text);
void makeCredits(OutputTree& out, TextRenderer& text);
void makeMusic(OutputTree& out);
void makeEffects(OutputTree& out);

// Checks a generated tree: meshes through the game's .x reader, images through stb_image, WAV headers.
int checkTree(const std::string& root);
// Renders turntable pictures of every mesh and screen mock-ups of the sheets into `outDir`.
int previewTree(const std::string& root, const std::string& outDir);
// Writes the program's icon at 48, 64, 128 and 256 pixels into `outDir`/hicolor/NxN/apps/.
int makeIcons(const std::string& outDir);
