// Window service of the SDL back end, over the one GameWindow.
#include "platform/window.h"

#include "platform/sdl/game_window.h"

namespace platform {

bool createWindow(const std::string& title) {
    return gameWindow().create(title);
}

void showWindow() {
    gameWindow().show();
}

void destroyWindow() {
    gameWindow().destroy();
}

bool takeMessage(Message& message) {
    return gameWindow().takeMessage(message);
}

int32_t defaultWindowProc(const Message&) {
    return 0;
}

}  // namespace platform
