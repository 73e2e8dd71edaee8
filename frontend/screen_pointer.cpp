// ScreenPointer: where the entries and the soft-key labels of the list screens lie.
#include "frontend/screen_pointer.h"

#include "frontend/game_app.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/options_screen.h"

namespace {
// The soft-key labels lie in the bottom corners (text at y = 208), their places a little
// larger than the words, for a finger.
constexpr int kLabelTop = 200;
constexpr int kLeftLabelEnd = 56;
constexpr int kRightLabelStart = 120;

bool takesPointer(uint32_t state) {
    return state == MENU || state == OPTIONS || state == SCORES || state == NAME_ENTRY;
}
}  // namespace

bool ScreenPointer::handle(GameApp& app, const platform::Message& message) {
    const int x = platform::pointerX(message.longParam);
    const int y = platform::pointerY(message.longParam);
    switch (message.id) {
        case platform::kMsgPointerMove:
            if (!takesPointer(app.state())) return false;
            pointAt(app, x, y);
            return true;
        case platform::kMsgPointerDown:
            pressTaken_ = takesPointer(app.state());
            if (pressTaken_) pressAt(app, x, y);
            return pressTaken_;
        case platform::kMsgPointerUp: {
            // A press chosen here may have started a wipe: its release is not the action key's.
            const bool taken = pressTaken_;
            pressTaken_ = false;
            return taken;
        }
        default:
            return false;
    }
}

bool ScreenPointer::pointAt(GameApp& app, int x, int y) {
    switch (app.state()) {
        case MENU: {
            const int32_t entry = MainMenu::entryAt(x, y);
            if (entry >= 0) app.mainMenu()->select(entry);
            return entry >= 0;
        }
        case OPTIONS: {
            const int32_t entry = OptionsScreen::entryAt(x, y);
            if (entry >= 0) app.optionsScreen()->select(entry);
            return entry >= 0;
        }
        case NAME_ENTRY:
            return app.nameEntry()->pointAt(x, y);
        default:
            return false;
    }
}

void ScreenPointer::pressAt(GameApp& app, int x, int y) {
    if (pointAt(app, x, y)) {
        app.pressAction();
    } else if (y >= kLabelTop && x < kLeftLabelEnd) {
        app.pressLeftSoft();
    } else if (y >= kLabelTop && x >= kRightLabelStart) {
        app.pressRightSoft();
    }
}
