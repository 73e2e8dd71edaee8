// Wave output through Web Audio. The program's side keeps each stream's clock: a written block
// holds its stream for the block's length (stopped while paused), and its done notice is
// delivered from the main loop's waits, on the program's own thread. The page only plays: each
// block is an audio buffer started on the stream's own timeline, so a block written again from
// its done notice (a loop) follows the last one without a gap. The notice comes a little ahead
// of the end for that reason. The streams' clock is the page's, not the program's, which trails
// it while the loop catches up with its gates: the sound plays in the page's time. Until the
// page's first key, touch or click the browser keeps the audio stopped: blocks written until
// then pass in silence.
#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/wave_out.h"
#include "platform/web/browser/browser.h"

// Stream ids and the block's samples go to the page's sound code (Module.v2Audio, page.js).
EM_JS(int, v2AudioOpen, (), { return Module.v2Audio ? Module.v2Audio.open() : 0; });
EM_JS(void, v2AudioPlay,
      (int id, const uint8_t* data, int length, int rate, int channels, int bits, int follow),
      { Module.v2Audio.play(id, HEAPU8, data, length, rate, channels, bits, follow != 0); });
EM_JS(void, v2AudioPause, (int id), { Module.v2Audio.pause(id); });
EM_JS(void, v2AudioResume, (int id), { Module.v2Audio.resume(id); });
EM_JS(void, v2AudioStop, (int id), { Module.v2Audio.stop(id); });
EM_JS(void, v2AudioClose, (int id), { Module.v2Audio.close(id); });

namespace platform {

struct WaveStreamImpl {
    int id = 0;
    WaveFormat format;
    WaveCallback callback = nullptr;
    uintptr_t instance = 0;
    WaveHeader* block = nullptr;  // queued or playing
    uint32_t endsAt = 0;          // tick count when the block ends (not paused)
    uint32_t leftWhenPaused = 0;
    bool paused = false;
    bool notifying = false;  // inside its done notice: a write continues the block
};

namespace {

constexpr uint32_t kNoticeAheadMs = 40;  // a pass of the main loop comes at least this often
constexpr int kInvalidParam = 11;

std::vector<WaveStreamImpl*> streams;

uint32_t durationMs(const WaveFormat& format, uint32_t length) {
    const uint64_t frames =
        wholeFrameBytes(format, length) / (format.channels * (format.bitsPerSample / 8u));
    return static_cast<uint32_t>((frames * 1000 + format.samplesPerSec - 1) / format.samplesPerSec);
}

// Signed: the time until the stream's block ends, negative once it has.
int32_t msLeft(const WaveStreamImpl* stream) {
    if (stream->paused) return static_cast<int32_t>(stream->leftWhenPaused);
    return static_cast<int32_t>(stream->endsAt - web::pageMs());
}

void finish(WaveStreamImpl* stream) {
    WaveHeader* header = stream->block;
    stream->block = nullptr;
    if (stream->callback == nullptr) return;
    stream->notifying = true;
    stream->callback(stream, kWaveDone, stream->instance, header);
    stream->notifying = false;
}

}  // namespace

namespace web {

void deliverSoundNotices() {
    // A callback may write, reset or close: work on a copy of the list.
    const std::vector<WaveStreamImpl*> now = streams;
    for (WaveStreamImpl* stream : now) {
        if (std::find(streams.begin(), streams.end(), stream) == streams.end()) continue;
        if (stream->block == nullptr || stream->paused) continue;
        if (msLeft(stream) <= static_cast<int32_t>(kNoticeAheadMs)) finish(stream);
    }
}

uint32_t msUntilSoundNotice() {
    uint32_t soonest = UINT32_MAX;
    for (const WaveStreamImpl* stream : streams) {
        if (stream->block == nullptr || stream->paused) continue;
        const int32_t left = msLeft(stream) - static_cast<int32_t>(kNoticeAheadMs);
        soonest = std::min(soonest, static_cast<uint32_t>(std::max(left, 0)));
    }
    return soonest;
}

}  // namespace web

WaveStream waveOpen(const WaveFormat& format, WaveCallback callback, uintptr_t instance,
                    const std::string&) {
    if (!playableFormat(format)) return nullptr;
    const int id = v2AudioOpen();
    if (id == 0) return nullptr;
    auto* stream = new WaveStreamImpl;
    stream->id = id;
    stream->format = format;
    stream->callback = callback;
    stream->instance = instance;
    streams.push_back(stream);
    return stream;
}

int wavePrepare(WaveStream stream, WaveHeader* header) {
    return stream != nullptr && header != nullptr ? kWaveOk : kInvalidParam;
}

bool waveWrite(WaveStream stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr || stream->block != nullptr) return false;
    const uint32_t length = header->data == nullptr ? 0 : header->length;
    const uint32_t duration = durationMs(stream->format, length);
    // From the done notice the block follows the last one's end; otherwise it starts now.
    const uint32_t now = web::pageMs();
    const bool follow = stream->notifying && static_cast<int32_t>(stream->endsAt - now) > 0;
    stream->block = header;
    stream->endsAt = (follow ? stream->endsAt : now) + duration;
    stream->leftWhenPaused = duration;
    if (stream->paused) stream->endsAt = now + duration;
    v2AudioPlay(stream->id, header->data, static_cast<int>(wholeFrameBytes(stream->format, length)),
                static_cast<int>(stream->format.samplesPerSec), stream->format.channels,
                stream->format.bitsPerSample, follow ? 1 : 0);
    if (stream->paused) v2AudioPause(stream->id);
    web::wake();
    return true;
}

void wavePause(WaveStream stream) {
    if (stream == nullptr || stream->paused) return;
    stream->leftWhenPaused = static_cast<uint32_t>(std::max(msLeft(stream), 0));
    stream->paused = true;
    v2AudioPause(stream->id);
}

void waveRestart(WaveStream stream) {
    if (stream == nullptr || !stream->paused) return;
    stream->paused = false;
    stream->endsAt = web::pageMs() + stream->leftWhenPaused;
    v2AudioResume(stream->id);
}

void waveReset(WaveStream stream) {
    if (stream == nullptr || stream->block == nullptr) return;
    v2AudioStop(stream->id);
    finish(stream);
}

int waveUnprepare(WaveStream stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr) return kInvalidParam;
    return stream->block == header ? kWaveStillPlaying : kWaveOk;
}

void waveClose(WaveStream stream) {
    if (stream == nullptr) return;
    v2AudioClose(stream->id);
    streams.erase(std::remove(streams.begin(), streams.end(), stream), streams.end());
    delete stream;
}

}  // namespace platform
