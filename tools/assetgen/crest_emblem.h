// The crest of the title: a hollow heater shield with a blade through it and two swept wings. The
// title logo and the program's icon both draw it.
#pragma once

#include "image.h"

// How the wings spread. The title's crest is wide and low, cut off at 170 s each side; the icon raises
// the feathers and shortens them so that the crest fills a square.
struct CrestWings {
  float liftDegrees = 0;  // added to every feather's angle above the horizontal
  float length = 1;       // of every feather
  float squash = 0.55f;   // vertical reach of a feather against its horizontal one
  bool clipped = true;    // cut off at 170 s each side and 80 s above and below the centre
};

// Centred on (cx, cy); with the title's wings it spans 340 s across and 160 s down.
void drawCrestEmblem(Image& img, float cx, float cy, float s, const CrestWings& wings = {});
