// The built-in player (needs the game world's read access; until then it says so).
#include "tools/replay/autoplay.h"

#include <iostream>

void installAutoplay() {
    std::cerr << "vextorium2-replay: --autoplay is not available yet\n";
}
