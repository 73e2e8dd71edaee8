// AudioMixer: blocks played as they are or converted whole through SDL's converter, and the
// mixing loop that plays every stream side by side and hands finished blocks back to their
// callbacks.
#include "platform/sdl/audio_mixer.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace platform {
namespace {

// A callback that resets or re-queues its stream over and over cannot hold the audio thread:
// after this many rounds of notices the rest waits for the next buffer.
constexpr int kMaxNoticeRounds = 64;

bool holdsBlock(const WaveStreamImpl* stream) {
    return stream->state == WaveStreamImpl::State::Queued ||
           stream->state == WaveStreamImpl::State::Resetting;
}

}  // namespace

AudioMixer::AudioMixer(int deviceRate, int deviceChannels)
    : rate_(deviceRate), channels_(deviceChannels) {}

AudioMixer::~AudioMixer() {
    for (WaveStreamImpl* stream : streams_) delete stream;
}

WaveStreamImpl* AudioMixer::open(const WaveFormat& format, WaveCallback callback,
                                 uintptr_t instance, const std::string& label) {
    if (!playableFormat(format)) return nullptr;
    SDL_AudioCVT probe;
    const SDL_AudioFormat source = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&probe, source, static_cast<Uint8>(format.channels),
                          static_cast<int>(format.samplesPerSec), AUDIO_S16SYS,
                          static_cast<Uint8>(channels_), rate_) < 0) {
        return nullptr;
    }
    auto* stream = new WaveStreamImpl();
    stream->mixer = this;
    stream->format = format;
    stream->callback = callback;
    stream->instance = instance;
    stream->label = label;
    std::lock_guard<std::mutex> guard(lock_);
    streams_.push_back(stream);
    return stream;
}

bool AudioMixer::convert(const WaveFormat& format, const uint8_t* data, uint32_t length,
                         std::vector<int16_t>& out) const {
    out.clear();
    const uint32_t usable = wholeFrameBytes(format, length);
    if (usable == 0 || data == nullptr) return true;

    SDL_AudioCVT cvt;
    const SDL_AudioFormat source = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    const int needed = SDL_BuildAudioCVT(&cvt, source, static_cast<Uint8>(format.channels),
                                         static_cast<int>(format.samplesPerSec), AUDIO_S16SYS,
                                         static_cast<Uint8>(channels_), rate_);
    if (needed < 0) return false;
    if (needed == 0) {
        out.resize(usable / 2);
        if (usable > 0) std::memcpy(out.data(), data, usable);
        return true;
    }
    if (cvt.len_mult <= 0 || usable > static_cast<uint32_t>(INT_MAX / cvt.len_mult)) return false;
    std::vector<uint8_t> work(static_cast<size_t>(usable) * static_cast<size_t>(cvt.len_mult));
    if (usable > 0) std::memcpy(work.data(), data, usable);
    cvt.buf = work.data();
    cvt.len = static_cast<int>(usable);
    if (SDL_ConvertAudio(&cvt) != 0) return false;
    const size_t frameOut = 2 * static_cast<size_t>(channels_);
    const size_t bytes = static_cast<size_t>(cvt.len_cvt) / frameOut * frameOut;
    out.resize(bytes / 2);
    // A block shorter than one output frame converts to nothing (and memcpy takes no null).
    if (bytes > 0) std::memcpy(out.data(), work.data(), bytes);
    return true;
}

bool AudioMixer::playsAsItIs(const WaveFormat& format, const uint8_t* data) const {
    return SDL_BYTEORDER == SDL_LIL_ENDIAN && format.bitsPerSample == 16 &&
           format.channels == channels_ && format.samplesPerSec == static_cast<uint32_t>(rate_) &&
           reinterpret_cast<uintptr_t>(data) % alignof(int16_t) == 0;
}

bool AudioMixer::convertFor(std::unique_lock<std::mutex>& guard, WaveStreamImpl* stream,
                            const WaveHeader* header) {
    if (stream->converted && stream->sourceData == header->data &&
        stream->sourceLength == header->length) {
        return true;
    }
    if (playsAsItIs(stream->format, header->data)) {
        std::vector<int16_t>().swap(stream->samples);
        stream->playing = reinterpret_cast<const int16_t*>(header->data);
        // A trailing partial frame cannot be played.
        stream->frames = header->data == nullptr ? 0 : header->length / (2u * channels_);
        stream->sourceData = header->data;
        stream->sourceLength = header->length;
        stream->converted = true;
        return true;
    }
    // Convert without the lock so the audio thread keeps playing the other streams meanwhile.
    const WaveFormat format = stream->format;
    guard.unlock();
    std::vector<int16_t> samples;
    const bool ok = convert(format, header->data, header->length, samples);
    guard.lock();
    if (!ok || holdsBlock(stream)) return false;
    stream->samples.swap(samples);
    stream->playing = stream->samples.data();
    stream->frames = stream->samples.size() / static_cast<size_t>(channels_);
    stream->sourceData = header->data;
    stream->sourceLength = header->length;
    stream->converted = true;
    return true;
}

int AudioMixer::prepare(WaveStreamImpl* stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr) return kInvalidParam;
    std::unique_lock<std::mutex> guard(lock_);
    if (stream->state != WaveStreamImpl::State::Idle) return kWaveOk;
    return convertFor(guard, stream, header) ? kWaveOk : kInvalidParam;
}

bool AudioMixer::write(WaveStreamImpl* stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr) return false;
    std::unique_lock<std::mutex> guard(lock_);
    // While Notifying the block has already ended: writing it again (a loop) is accepted.
    if (holdsBlock(stream)) return false;
    if (!convertFor(guard, stream, header)) return false;
    stream->header = header;
    stream->position = 0;
    stream->state = WaveStreamImpl::State::Queued;
    return true;
}

void AudioMixer::pause(WaveStreamImpl* stream) {
    if (stream == nullptr) return;
    std::lock_guard<std::mutex> guard(lock_);
    stream->paused = true;
}

void AudioMixer::restart(WaveStreamImpl* stream) {
    if (stream == nullptr) return;
    std::lock_guard<std::mutex> guard(lock_);
    stream->paused = false;
}

void AudioMixer::reset(WaveStreamImpl* stream) {
    if (stream == nullptr) return;
    std::lock_guard<std::mutex> guard(lock_);
    if (stream->state == WaveStreamImpl::State::Queued) {
        stream->state = WaveStreamImpl::State::Resetting;
    } else if (stream->state == WaveStreamImpl::State::Notifying) {
        // The callback may be re-queuing the block this very moment (a loop whose owner has
        // just cleared its word): that block must not then play on to its end.
        stream->resetRequested = true;
    }
}

int AudioMixer::unprepare(WaveStreamImpl* stream, WaveHeader* header) {
    if (stream == nullptr || header == nullptr) return kInvalidParam;
    std::lock_guard<std::mutex> guard(lock_);
    if (stream->state != WaveStreamImpl::State::Idle && stream->header == header) {
        return kWaveStillPlaying;
    }
    if (stream->state == WaveStreamImpl::State::Idle && stream->sourceData == header->data) {
        // The owner may free the samples now: forget them and what was made from them.
        std::vector<int16_t>().swap(stream->samples);
        stream->playing = nullptr;
        stream->frames = 0;
        stream->sourceData = nullptr;
        stream->sourceLength = 0;
        stream->converted = false;
    }
    return kWaveOk;
}

void AudioMixer::close(WaveStreamImpl* stream) {
    if (stream == nullptr) return;
    std::unique_lock<std::mutex> guard(lock_);
    streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
    notified_.wait(guard, [stream] { return !stream->delivering; });
    guard.unlock();
    delete stream;
}

void AudioMixer::mix(int16_t* out, int frames) {
    const size_t values = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    accumulator_.assign(values, 0);
    std::unique_lock<std::mutex> guard(lock_);
    for (WaveStreamImpl* stream : streams_) stream->cursor = 0;

    for (int round = 0; round < kMaxNoticeRounds; ++round) {
        done_.clear();
        for (WaveStreamImpl* stream : streams_) {
            if (stream->state == WaveStreamImpl::State::Resetting) {
                stream->state = WaveStreamImpl::State::Notifying;
                stream->delivering = true;
                done_.emplace_back(stream, stream->header);
                continue;
            }
            if (stream->state != WaveStreamImpl::State::Queued || stream->paused ||
                stream->cursor >= frames) {
                continue;
            }
            const size_t width = static_cast<size_t>(channels_);
            const size_t total = stream->frames;
            const size_t room = static_cast<size_t>(frames - stream->cursor);
            const size_t count = std::min(room, total - stream->position);
            const int16_t* from = stream->playing + stream->position * width;
            int32_t* to = accumulator_.data() + static_cast<size_t>(stream->cursor) * width;
            for (size_t i = 0; i < count * width; ++i) to[i] += from[i];
            stream->position += count;
            stream->cursor += static_cast<int>(count);
            if (stream->position >= total) {
                // An empty block ends once per buffer; it must not be re-queued in the same one.
                if (total == 0) stream->cursor = frames;
                stream->state = WaveStreamImpl::State::Notifying;
                stream->delivering = true;
                done_.emplace_back(stream, stream->header);
            }
        }
        if (done_.empty()) break;

        guard.unlock();
        for (auto& [stream, header] : done_) {
            if (stream->callback != nullptr) {
                stream->callback(stream, kWaveDone, stream->instance, header);
            }
        }
        guard.lock();
        for (auto& [stream, header] : done_) {
            stream->delivering = false;
            if (stream->state == WaveStreamImpl::State::Notifying) {
                stream->state = WaveStreamImpl::State::Idle;
                stream->header = nullptr;
            } else if (stream->resetRequested && stream->state == WaveStreamImpl::State::Queued) {
                stream->state = WaveStreamImpl::State::Resetting;
            }
            stream->resetRequested = false;
        }
        notified_.notify_all();
    }
    guard.unlock();

    for (size_t i = 0; i < values; ++i) {
        out[i] = static_cast<int16_t>(std::clamp<int32_t>(accumulator_[i], INT16_MIN, INT16_MAX));
    }
}

}  // namespace platform
