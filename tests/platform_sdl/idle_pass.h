// One pass of a main loop with nothing else to do: take a message, or wait up to 1 ms for one.
#pragma once
#include "platform/window.h"

namespace platform {

inline bool takeOrWait(Message& message) {
    if (takeMessage(message)) return true;
    waitForMessage(1);
    return false;
}

}  // namespace platform
