// Runs every test of this suite on SDL's dummy drivers, so no display or sound card is needed.
// A variable already set (by a test that needs a real one) is left alone.
#include <cstdlib>

namespace {

const bool dummyDrivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return true;
}();

}  // namespace
