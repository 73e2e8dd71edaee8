// Display: open, begin drawing once, copy frames, end and close.
#include "shell/display.h"

#include <cstring>

#include "graphics/canvas.h"
#include "platform/display.h"

Display::Display() {
    platform::openDisplay();
    frameBuffer = platform::beginDraw();
}

Display::~Display() {
    platform::endDraw();
    platform::closeDisplay();
}

void Display::present(const Canvas* canvas) {
    if (canvas == nullptr || frameBuffer == nullptr) return;
    std::memcpy(frameBuffer, canvas->buffer(), platform::kFrameBytes);
}

void Display::suspend() {
    platform::suspendDisplay();
}

void Display::resume() {
    platform::resumeDisplay();
}
