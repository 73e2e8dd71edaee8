// PlayGlobals: the shell's start-up values for the globals that play reads.
#include "tests/support/play_globals.h"

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "platform/random.h"

namespace testing_support {

PlayGlobals::PlayGlobals(uint32_t seed) {
    scoreCounter = new DigitFont(instanceHandle, resource::kSmallDigits);
    explosionImage = new Image(instanceHandle, resource::kExplosion);
    restart(seed);
}

PlayGlobals::~PlayGlobals() {
    delete scoreCounter;
    scoreCounter = nullptr;
    delete explosionImage;
    explosionImage = nullptr;
}

void PlayGlobals::restart(uint32_t seed) {
    soundOn = true;
    musicOn = true;
    muted = false;
    scoreCounter->setValue(0);
    platform::seedRandom(seed);
}

}  // namespace testing_support
