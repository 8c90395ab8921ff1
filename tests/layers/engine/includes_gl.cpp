// Refused: OpenGL and stb belong to platform/.
#include <epoxy/gl.h>
  #  include "stb_image.h"
