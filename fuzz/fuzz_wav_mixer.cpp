// Fuzz target: a WAV file of any content played through the SDL back end's mixer (format
// check, playing in place or converting to the device format, mixing, loop re-queue, reset),
// without a device.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/sdl/audio_mixer.h"

namespace {
constexpr size_t kHeaderBytes = 44;  // the sound clip's own header length
// The game's device format: a clip in it plays from its own memory, any other is converted.
constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 1;
constexpr int kFrames = 256;
constexpr int kBuffers = 6;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Re-queues the block each time it ends, as a looping sound clip does.
void requeue(platform::WaveStream stream, uint32_t message, uintptr_t instance,
             platform::WaveHeader* header) {
    if (message == platform::kWaveDone && header->user != 0)
        reinterpret_cast<platform::AudioMixer*>(instance)->write(stream, header);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderBytes) return 0;
    // The format fields as the sound clip reads them.
    platform::WaveFormat format;
    format.formatTag = u16(data + 20);
    format.channels = u16(data + 22);
    format.samplesPerSec = u32(data + 24);
    format.avgBytesPerSec = u32(data + 28);
    format.blockAlign = u16(data + 32);
    format.bitsPerSample = u16(data + 34);

    platform::AudioMixer mixer(kDeviceRate, kDeviceChannels);
    platform::WaveStream stream =
        mixer.open(format, &requeue, reinterpret_cast<uintptr_t>(&mixer), "fuzz.wav");
    if (stream == nullptr) return 0;
    const std::vector<uint8_t> samples(data + kHeaderBytes, data + size);
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
