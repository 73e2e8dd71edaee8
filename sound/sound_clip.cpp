// SoundClip: whole-file block on a stream; looping clips re-queue from the done notice.
#include "sound/sound_clip.h"

#include <optional>
#include <utility>

#include "platform/clock.h"
#include "platform/files.h"
#include "sound/wav_header.h"

namespace {
std::string fileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

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

    output_ = platform::waveOpen(format_, &SoundClip::onDone, 0, fileName(path));
    if (output_ != nullptr) platform::wavePrepare(output_, header_);
}

SoundClip::~SoundClip() {
    if (output_ != nullptr) {
        // No re-queue from here on (the done notice comes on the audio thread; a builtin rather
        // than std::atomic_ref, which the web toolchain's library lacks).
        __atomic_store_n(&header_->user, 0u, __ATOMIC_SEQ_CST);
        platform::waveReset(output_);
        while (platform::waveUnprepare(output_, header_) == platform::kWaveStillPlaying)
            platform::sleepMs(10);
        platform::waveClose(output_);
    }
    delete header_;
}

void SoundClip::play() {
    if (output_ != nullptr) platform::waveWrite(output_, header_);
}

void SoundClip::pause() {
    if (output_ != nullptr) platform::wavePause(output_);
}

void SoundClip::resume() {
    if (output_ != nullptr) platform::waveRestart(output_);
}

void SoundClip::onDone(platform::WaveStream stream, uint32_t message, uintptr_t,
                       platform::WaveHeader* header) {
    if (message != platform::kWaveDone) return;
    if (__atomic_load_n(&header->user, __ATOMIC_SEQ_CST) != 0) platform::waveWrite(stream, header);
}
