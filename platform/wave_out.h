// Wave-output service: one stream per sound clip, fed with whole prepared blocks.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// Describes one block of samples to a stream. `user` is the owner's word; the back end
// never touches it.
struct WaveHeader {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    uint32_t bytesRecorded = 0;
    uint32_t user = 0;
    uint32_t flags = 0;
    uint32_t loops = 0;
};

constexpr uint16_t kWaveFormatPcm = 1;

// The formats every real back end plays: PCM, 8 or 16 bits, mono or stereo, a usable rate.
constexpr bool playableFormat(const WaveFormat& format) {
    return format.formatTag == kWaveFormatPcm &&
           (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           (format.channels == 1 || format.channels == 2) && format.samplesPerSec > 0 &&
           format.samplesPerSec <= 0x7FFFFFFFu;
}

// The bytes of a block of `length` that are whole sample frames: a trailing partial frame
// cannot be played. For a playable format only.
constexpr uint32_t wholeFrameBytes(const WaveFormat& format, uint32_t length) {
    const uint32_t frameBytes = format.channels * (format.bitsPerSample / 8u);
    return length - length % frameBytes;
}

struct WaveStreamImpl;
using WaveStream = WaveStreamImpl*;

constexpr uint32_t kWaveDone = 0x3BD;  // a written block has finished playing
constexpr int kWaveOk = 0;
constexpr int kWaveStillPlaying = 33;

// Called when a block is done, on the audio thread (SDL) or from the virtual clock
// (headless). It may call waveWrite for the same stream.
using WaveCallback = void (*)(WaveStream stream, uint32_t message, uintptr_t instance,
                              WaveHeader* header);

// Opens a stream for samples of the given format; `label` names it in the trace.
// nullptr when no stream can be opened.
WaveStream waveOpen(const WaveFormat& format, WaveCallback callback, uintptr_t instance,
                    const std::string& label);
int wavePrepare(WaveStream stream, WaveHeader* header);
// Queues the block. Refused (false) while this stream still has it queued or playing.
bool waveWrite(WaveStream stream, WaveHeader* header);
void wavePause(WaveStream stream);
void waveRestart(WaveStream stream);
// Stops playback and returns the block (a done notice follows).
void waveReset(WaveStream stream);
// kWaveStillPlaying while the back end still holds the block.
int waveUnprepare(WaveStream stream, WaveHeader* header);
void waveClose(WaveStream stream);

}  // namespace platform
