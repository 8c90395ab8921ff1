#pragma once
// Presentation: the window or an off-screen back buffer to draw into, reading it back, showing it scaled
// onto the window, and the wait that keeps at most one frame in flight.
#include <SDL.h>
#include <epoxy/gl.h>

#include <vector>

#include "platform/device_types.h"
#include "platform/sdl/gl_resources.h"

namespace hc::gl {

class GlPresenter {
public:
    SDL_Window* window = nullptr;
    GlShared* shared = nullptr;
    bool fullscreen = false;
    bool sizeFollowsWindow = false;
    int width = 0;  // the back buffer's size
    int height = 0;
    bool windowDepthOk = false;
    GLuint fbo = 0;  // 0: frames are drawn straight into the window

    // Deletes what it made; the context must still be current.
    void release();

    bool windowShown() const { return !(SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN); }
    bool windowHasDepth();
    bool drawsDirectly(int drawableWidth, int drawableHeight) const;
    bool useTarget(bool direct);
    // True when the target was made anew (its contents are undefined then).
    bool followWindow();
    // True when the scaling quad ran: the device's program, sampler, texture and fixed state were replaced
    // (the program and sampler given are bound again; the rest is for the caller to re-apply).
    bool showScaled(GLuint deviceProgram, GLuint deviceSampler);
    bool readTarget(std::vector<Colour>& pixels);
    void throttle();

private:
    bool prepareScaling(GLuint deviceProgram);
    void drawScaled(int x, int y, int w, int h, GLuint deviceProgram, GLuint deviceSampler);
    bool createTarget();
    void releaseTarget();

    GLuint colourTexture_ = 0;
    GLuint depthBuffer_ = 0;
    GLuint scaleProgram_ = 0;
    GLuint scaleVao_ = 0;
    GLuint scaleSampler_ = 0;
    bool scaleFailed_ = false;
    GLsync lastFrame_ = nullptr;                          // fence after the last presented frame
    static constexpr GLuint64 kFrameWaitNs = 2000000000;  // a frame that takes longer is not waited for
    std::vector<Colour> rows_;
};

}  // namespace hc::gl
