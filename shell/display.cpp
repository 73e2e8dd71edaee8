// Display: open, begin drawing once, copy frames, end and close.
#include "shell/display.h"

#include <cstring>

#include "graphics/canvas.h"
#include "platform/display.h"

Display::Display() {
    platform::openDisplay();
    frameBuffer_ = platform::beginDraw();
}

Display::~Display() {
    platform::endDraw();
    platform::closeDisplay();
}

void Display::present(const Canvas* canvas) {
    if (canvas == nullptr || frameBuffer_ == nullptr) return;
    std::memcpy(frameBuffer_, canvas->buffer(), platform::kFrameBytes);
}

void Display::suspend() {
    platform::suspendDisplay();
}

void Display::resume() {
    platform::resumeDisplay();
}
