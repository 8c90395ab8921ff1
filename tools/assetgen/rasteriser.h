// A small software renderer: lights and draws meshes the way the game's fixed-function pipeline does
// (clockwise front faces, per-pixel Lambert lighting with emissive base, linear fog), used for
// preview pictures and for the knight portrait of the credits.
#pragma once

#include <vector>

#include "image.h"
#include "mesh_builder.h"

struct DirectionalLight {
  Vec3 direction;  // the way the light travels
  Vec3 diffuse;
};

class Rasteriser {
 public:
  Rasteriser(int width, int height, Rgba clear);

  void lookAt(Vec3 eye, Vec3 target, float fovYDegrees);
  // Draws `mesh` placed by `world`; textures[i] belongs to material i (null for none).
  void draw(const MeshBuilder& mesh, const std::vector<const Image*>& textures, const Transform& world);

  std::vector<DirectionalLight> lights;
  float fogStart = 1e9f, fogEnd = 2e9f;
  Rgba fogColour;
  bool cullBack = true;
  int trianglesDrawn = 0, trianglesCulled = 0;

  Image colour;
  std::vector<float> depth;

 private:
  Vec3 eye, right, up, forward;
  float focal = 1;
};

// Bilinear, wrapping texture look-up.
Rgba sampleTexture(const Image& t, float u, float v);
