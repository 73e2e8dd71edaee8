// Trace service: the replay runner's record of what happened, one line per event.
#pragma once
#include <string>

namespace platform {

// Records "MS line" in the headless back end's trace; the SDL back end ignores it.
void trace(const std::string& line);

}  // namespace platform
