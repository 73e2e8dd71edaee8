// StaleInput: which waiting messages are dropped after the program was held up.
#include "shell/stale_input.h"

bool StaleInput::drops(const platform::Message& message) const {
    if (!dropping_) return false;
    switch (message.id) {
        case platform::kMsgKeyDown:
            return message.wordParam != platform::kKeyHome;
        case platform::kMsgChar:
        case platform::kMsgPointerDown:
            return true;
        default:
            return false;
    }
}
