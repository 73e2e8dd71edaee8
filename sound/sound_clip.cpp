// SoundClip: whole-file block on a stream; looping clips re-queue from the done notice.
#include "sound/sound_clip.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "globals/presentation.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "sound/wav_header.h"

namespace {
std::string fileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The clips alive, for applyVolumes (clips are made and destroyed on the game's thread).
std::vector<SoundClip*>& liveClips() {
    static std::vector<SoundClip*> clips;
    return clips;
}
}  // namespace

void scaleSamples(const platform::WaveFormat& format, const uint8_t* from, uint8_t* to,
                  size_t bytes, int percent) {
    percent = std::clamp(percent, 0, 100);
    if (format.bitsPerSample == 16) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            const auto sample = static_cast<int16_t>(from[i] | (from[i + 1] << 8));
            const auto scaled = static_cast<uint16_t>(static_cast<int16_t>(sample * percent / 100));
            to[i] = static_cast<uint8_t>(scaled & 0xFF);
            to[i + 1] = static_cast<uint8_t>(scaled >> 8);
        }
        if (bytes % 2 != 0) to[bytes - 1] = from[bytes - 1];
        return;
    }
    for (size_t i = 0; i < bytes; ++i)
        to[i] = static_cast<uint8_t>(128 + (from[i] - 128) * percent / 100);
}

SoundClip::SoundClip(const std::string& path, bool loop) {
    platform::FileRead file =
        platform::readFile(path, WavHeader::kMaxFileBytes, platform::Longer::Refused);
    if (file.result != platform::FileRead::Read) return;
    const std::optional<WavHeader> wav = readWavHeader(file.bytes.data(), file.bytes.size());
    if (!wav) return;
    fileData_ = std::move(file.bytes);
    format_ = wav->format;

    header_ = new platform::WaveHeader();
    header_->data = fileData_.data() + WavHeader::kBytes;
    header_->length = static_cast<uint32_t>(wav->sampleBytes);
    header_->user = loop ? 1u : 0u;
    loop_ = loop;

    output_ = platform::waveOpen(format_, &SoundClip::onDone, 0, fileName(path));
    if (output_ == nullptr) return;
    liveClips().push_back(this);
    setVolume(wantedVolume());
    platform::wavePrepare(output_, header_);
}

int SoundClip::wantedVolume() const {
    return loop_ ? presentation().musicVolume : presentation().effectsVolume;
}

// Points the block at the samples scaled to `percent` (the stream must not hold the block).
void SoundClip::setVolume(int percent) {
    percent = std::clamp(percent, 0, 100);
    volume_ = percent;
    const uint8_t* original = fileData_.data() + WavHeader::kBytes;
    if (percent == 100) {
        header_->data = original;
        scaled_.clear();
        return;
    }
    // A new buffer while the old one still stands: a back end that keeps converted samples
    // by their address sees new samples.
    std::vector<uint8_t> next(header_->length);
    scaleSamples(format_, original, next.data(), next.size(), percent);
    scaled_.swap(next);
    header_->data = scaled_.data();
}

// Stops playback and takes the block back from the stream.
void SoundClip::stop() {
    // No re-queue from here on (the done notice comes on the audio thread; a builtin rather
    // than std::atomic_ref, which the web toolchain's library lacks).
    __atomic_store_n(&header_->user, 0u, __ATOMIC_SEQ_CST);
    platform::waveReset(output_);
    while (platform::waveUnprepare(output_, header_) == platform::kWaveStillPlaying)
        platform::sleepMs(10);
}

void SoundClip::applyVolumes() {
    for (SoundClip* clip : liveClips()) {
        const int wanted = clip->wantedVolume();
        if (wanted == clip->volume_) continue;
        clip->stop();
        clip->setVolume(wanted);
        clip->header_->user = clip->loop_ ? 1u : 0u;
        platform::wavePrepare(clip->output_, clip->header_);
        if (clip->started_) {
            platform::waveWrite(clip->output_, clip->header_);
            if (clip->paused_) platform::wavePause(clip->output_);
        }
    }
}

SoundClip::~SoundClip() {
    if (output_ != nullptr) {
        std::erase(liveClips(), this);
        stop();
        platform::waveClose(output_);
    }
    delete header_;
}

void SoundClip::play() {
    if (output_ == nullptr) return;
    if (loop_) started_ = true;
    platform::waveWrite(output_, header_);
}

void SoundClip::pause() {
    paused_ = true;
    if (output_ != nullptr) platform::wavePause(output_);
}

void SoundClip::resume() {
    paused_ = false;
    if (output_ != nullptr) platform::waveRestart(output_);
}

void SoundClip::onDone(platform::WaveStream stream, uint32_t message, uintptr_t,
                       platform::WaveHeader* header) {
    if (message != platform::kWaveDone) return;
    if (__atomic_load_n(&header->user, __ATOMIC_SEQ_CST) != 0) platform::waveWrite(stream, header);
}
