// Message-box service: tells the player about a failure without stopping the program for good.
#pragma once
#include <string>

namespace platform {

// Always writes a line on stderr; the SDL back end also shows a box where a display exists,
// the headless back end records it in the trace and never blocks.
void messageBox(const std::string& text, const std::string& caption);

}  // namespace platform
