// Fuzz target: a WAV file of any content loaded as a sound clip, played, paused, resumed and
// destroyed on the headless wave output while the virtual clock runs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "sound/sound_clip.h"
#include "sound/wav_header.h"

namespace {
constexpr uint32_t kPlayMs = 30;  // bounded: a damaged header can claim hours of sound
constexpr uint32_t kPausedMs = 5;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::headless::reset();
    const std::string path = fuzzing::writeFile("hit.wav", data, size);
    {
        // Odd sizes loop, so both the one-shot and the re-queueing completion are reached.
        SoundClip clip(path, size % 2 == 1);
        if (size < WavHeader::kBytes && !clip.isSilent()) std::abort();
        clip.play();
        platform::headless::advance(kPlayMs);
        clip.pause();
        platform::headless::advance(kPausedMs);
        clip.play();  // refused while still queued
        clip.resume();
        platform::headless::advance(kPlayMs);
        clip.play();
    }
    // Destroying the clip hands its block back and closes its stream.
    if (platform::headless::busyStreams() != 0) std::abort();
    return 0;
}
