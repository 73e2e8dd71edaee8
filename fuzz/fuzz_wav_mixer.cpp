// Fuzz target: a WAV file of any content played through the SDL back end's mixer (format
// check, playing in place or converting to the device format, mixing, loop re-queue, reset),
// without a device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/sdl/audio_mixer.h"
#include "sound/wav_header.h"

namespace {
// The game's device format: a clip in it plays from its own memory, any other is converted.
constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 1;
constexpr int kFrames = 256;
constexpr int kBuffers = 6;

// Re-queues the block each time it ends, as a looping sound clip does.
void requeue(platform::WaveStream stream, uint32_t message, uintptr_t instance,
             platform::WaveHeader* header) {
    if (message == platform::kWaveDone && header->user != 0)
        reinterpret_cast<platform::AudioMixer*>(instance)->write(stream, header);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header as the sound clip reads it.
    const std::optional<WavHeader> wav = readWavHeader(data, size);
    if (!wav) return 0;

    platform::AudioMixer mixer(kDeviceRate, kDeviceChannels);
    platform::WaveStream stream =
        mixer.open(wav->format, &requeue, reinterpret_cast<uintptr_t>(&mixer), "fuzz.wav");
    if (stream == nullptr) return 0;
    const std::vector<uint8_t> samples(data + WavHeader::kBytes, data + size);
    platform::WaveHeader header;
    header.data = samples.data();
    header.length = static_cast<uint32_t>(samples.size());
    header.user = size % 2;  // odd sizes loop
    mixer.prepare(stream, &header);
    std::vector<int16_t> out(static_cast<size_t>(kFrames) * kDeviceChannels);
    mixer.write(stream, &header);
    for (int b = 0; b < kBuffers; ++b) {
        if (b == kBuffers / 2) mixer.pause(stream);
        if (b == kBuffers / 2 + 1) mixer.restart(stream);
        mixer.mix(out.data(), kFrames);
    }
    header.user = 0;
    mixer.reset(stream);
    mixer.mix(out.data(), kFrames);  // delivers the reset's done notice
    mixer.unprepare(stream, &header);
    mixer.close(stream);
    return 0;
}
