// Headless wave output: a written block "plays" for its duration in virtual time; every
// accepted call from the game is recorded in the trace.
#include <map>
#include <memory>

#include "platform/headless/state.h"
#include "platform/trace.h"
#include "platform/wave_out.h"

namespace platform {

struct WaveStreamImpl {
    WaveFormat format;
    WaveCallback callback = nullptr;
    uintptr_t instance = 0;
    std::string label;
    WaveHeader* block = nullptr;  // queued or playing
    uint32_t remainingMs = 0;
    bool paused = false;
};

namespace headless {
namespace {
std::map<WaveStreamImpl*, std::unique_ptr<WaveStreamImpl>>& streams() {
    static std::map<WaveStreamImpl*, std::unique_ptr<WaveStreamImpl>> table;
    return table;
}
bool inCallback = false;  // a looping clip's re-queue is not a call of the game's

uint32_t durationMs(const WaveFormat& format, uint32_t length) {
    if (format.avgBytesPerSec == 0) return 0;
    return static_cast<uint32_t>(
        (static_cast<uint64_t>(length) * 1000 + format.avgBytesPerSec - 1) / format.avgBytesPerSec);
}

void finish(WaveStreamImpl* stream) {
    WaveHeader* header = stream->block;
    stream->block = nullptr;
    if (stream->callback == nullptr) return;
    inCallback = true;
    stream->callback(stream, kWaveDone, stream->instance, header);
    inCallback = false;
}
}  // namespace

void runDueSounds() {
    for (auto& [key, stream] : streams()) {
        if (stream->block == nullptr || stream->paused) continue;
        if (stream->remainingMs > 0) --stream->remainingMs;
        if (stream->remainingMs == 0) finish(stream.get());
    }
}

void resetSounds() {
    streams().clear();
}

int busyStreams() {
    int n = 0;
    for (auto& [key, stream] : streams()) n += stream->block != nullptr ? 1 : 0;
    return n;
}

}  // namespace headless

WaveStream waveOpen(const WaveFormat& format, WaveCallback callback, uintptr_t instance,
                    const std::string& label) {
    auto stream = std::make_unique<WaveStreamImpl>();
    stream->format = format;
    stream->callback = callback;
    stream->instance = instance;
    stream->label = label;
    WaveStreamImpl* raw = stream.get();
    headless::streams()[raw] = std::move(stream);
    return raw;
}

int wavePrepare(WaveStream, WaveHeader*) {
    return kWaveOk;
}

bool waveWrite(WaveStream stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr || stream->block != nullptr) return false;
    stream->block = header;
    stream->remainingMs = headless::durationMs(stream->format, header->length);
    if (!headless::inCallback) trace("sound " + stream->label + " play");
    return true;
}

void wavePause(WaveStream stream) {
    if (stream == nullptr) return;
    stream->paused = true;
    trace("sound " + stream->label + " pause");
}

void waveRestart(WaveStream stream) {
    if (stream == nullptr) return;
    stream->paused = false;
    trace("sound " + stream->label + " resume");
}

void waveReset(WaveStream stream) {
    if (stream == nullptr || stream->block == nullptr) return;
    headless::finish(stream);
}

int waveUnprepare(WaveStream stream, WaveHeader* header) {
    return stream != nullptr && stream->block == header ? kWaveStillPlaying : kWaveOk;
}

void waveClose(WaveStream stream) {
    headless::streams().erase(stream);
}

}  // namespace platform
