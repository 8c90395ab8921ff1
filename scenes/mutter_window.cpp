#include "scenes/mutter_window.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/input_state.h"
#include "engine/services.h"
#include "game/text_line_reader.h"

namespace hc {

namespace {

constexpr int kOpenTicks = 120;
constexpr int kTurnTicks = 360;

struct WindowShape {
    Rect source;
    float windowX;
    float markerX;
};

// Narrowest first.
constexpr WindowShape kShapes[5] = {
    {{0, 384, 1024, 480}, 418, 747},
    {{0, 288, 1024, 384}, 370, 829},
    {{0, 192, 1024, 288}, 322, 887},
    {{0, 96, 1024, 192}, 274, 999},
    {{0, 0, 1024, 96}, 130, 1103},
};

Matrix scaledAt(float scale, float x, float y) {
    Matrix m = matrixScaling(scale, scale, 1.0f);
    m.m[3][0] = x;
    m.m[3][1] = y;
    return m;
}

}  // namespace

int MutterWindow::windowFor(int bytes) {
    if (bytes < 40) return 0;
    if (bytes < 60) return 1;
    if (bytes < 75) return 2;
    if (bytes < 100) return 3;
    return 4;
}

bool MutterWindow::init(const std::string& path) {
    TextLineReader file;
    if (!file.open(path)) return true;
    Record record;
    int read = 0;
    while (file.readLine(record.text, kRecordBytes)) {
        lines.push_back(record);
        ++read;
    }
    file.close();
    count = read - 1;
    TextureCache::load(windowSheet, "Resource_Blade/Event/つぶやきウィンドウ.png");
    return true;
}

void MutterWindow::advance() {
    if (count < 1) {
        index = 0;  // nothing to show
        return;
    }
    index = index < count ? index + 1 : 1;
}

void MutterWindow::update(int idle) {
    timer += 1;
    if (idle == 0) {
        visible = 0;
        timer = 0;
        shownOnce = 0;
        return;
    }
    if (timer <= kOpenTicks) return;
    visible = 1;
    if (timer > kTurnTicks) {
        timer = kOpenTicks;
        advance();
    }
    if (gInput.padHit(PadButton::B)) {
        advance();
        timer = kOpenTicks;
    }
    if (shownOnce == 0) {
        advance();
        shownOnce = 1;
    }
}

void MutterWindow::draw() {
    // A file without remarks, or an index outside what was read, shows nothing.
    if (!visible || index < 1 || index > count || index >= static_cast<int>(lines.size())) return;
    const char* remark = lines[static_cast<std::size_t>(index)].text;
    const int bytes = static_cast<int>(strnlen(remark, kRecordBytes));
    const WindowShape& shape = kShapes[windowFor(bytes)];

    Matrix at = matrixTranslation(shape.windowX, 440.0f, 0.0f);
    drawSprite(windowSheet, &at, nullptr, &shape.source);

    const int q = std::max(timer - kOpenTicks, 0) / 30;
    if (q % 2 == 1) {
        Matrix marker = scaledAt(0.75f, shape.markerX, 488.0f);
        const Rect markerSource{20, 500, 44, 524};
        drawSprite(windowSheet, &marker, nullptr, &markerSource);
    }

    if (gSprite) gSprite->setTransform(scaledAt(0.85f, shape.windowX + 42.5f, 480.0f));
    char text[kRecordBytes];
    std::snprintf(text, sizeof text, "%s", remark);
    drawText(0.0f, text);
}

void MutterWindow::release() {
    TextureCache::release(windowSheet);
    windowSheet = nullptr;
    lines.clear();
    count = 0;
    index = 0;
    visible = 0;
}

}  // namespace hc
