#pragma once
// Refused: the game may not include SDL.
#include <SDL.h>
