// Allowed: the platform's own headers, the SDL back end's among them (the programs' main picks it).
#include "platform/sdl/sdl_platform.h"
#include "platform/font.h"
