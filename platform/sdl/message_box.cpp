// Message boxes of the SDL back end: a line on stderr, and a box where a real display exists.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/game_window.h"

namespace platform {
namespace {

bool isVirtualDriver(const char* driver) {
    return driver != nullptr &&
           (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

// A box under X11 waits for the player; without a real display it must not be tried at all.
bool realDisplayExists() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return !isVirtualDriver(SDL_GetCurrentVideoDriver());
    if (isVirtualDriver(std::getenv("SDL_VIDEODRIVER"))) return false;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

void messageBox(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "Vextorium2: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                 text.c_str());
    std::fflush(stderr);
    if (!realDisplayExists()) return;
    // Tied to the game window so that it shows above a full-screen game.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(),
                             gameWindow().sdlWindow());
}

}  // namespace platform
