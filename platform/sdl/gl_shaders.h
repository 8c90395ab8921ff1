#pragma once
// The shader source of the fixed-function pipeline and of the full-screen scaling pass, and building it.
#include <epoxy/gl.h>

namespace hc::gl {

// The fixed-function pipeline's stages; each program puts its constants (programConstants) first.
extern const char* const kVertexShader;
extern const char* const kFragmentShader;

// The full-screen scaling quad.
extern const char* const kScaleVertexShader;
extern const char* const kScaleFragmentShader;

// 0 on failure, with the compiler's or linker's log on standard error.
GLuint compileShader(GLenum type, const char* source);
GLuint linkProgram(const char* vertexShader, const char* fragmentShader);

}  // namespace hc::gl
