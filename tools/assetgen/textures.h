// Mesh textures (power-of-two PNGs written beside the meshes).
#pragma once

#include "image.h"

// 512 × 512: four 256-pixel stone faces (top-left: floor slab, the others: wall faces).
Image makeStoneAtlas();
// 256 × 256 tileable rough rock for a golem, with optional glowing veins in its seams.
Image makeGolemRock(unsigned seed, Rgba dark, Rgba light, Rgba glow, float glowAmount);
// 256 × 256 black glass with violet veins for the obsidian crystal.
Image makeObsidian();
