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
    fileData = std::move(file.bytes);
    format = wav->format;

    header = new platform::WaveHeader();
    header->data = fileData.data() + WavHeader::kBytes;
    header->length = static_cast<uint32_t>(wav->sampleBytes);
    header->user = loop ? 1u : 0u;

    output = platform::waveOpen(format, &SoundClip::onDone, 0, fileName(path));
    if (output != nullptr) platform::wavePrepare(output, header);
}

SoundClip::~SoundClip() {
    if (output != nullptr) {
        // No re-queue from here on (the done notice comes on the audio thread; a builtin rather
        // than std::atomic_ref, which the web toolchain's library lacks).
        __atomic_store_n(&header->user, 0u, __ATOMIC_SEQ_CST);
        platform::waveReset(output);
        while (platform::waveUnprepare(output, header) == platform::kWaveStillPlaying)
            platform::sleepMs(10);
        platform::waveClose(output);
    }
    delete header;
}

void SoundClip::play() {
    if (output != nullptr) platform::waveWrite(output, header);
}

void SoundClip::pause() {
    if (output != nullptr) platform::wavePause(output);
}

void SoundClip::resume() {
    if (output != nullptr) platform::waveRestart(output);
}

void SoundClip::onDone(platform::WaveStream stream, uint32_t message, uintptr_t,
                       platform::WaveHeader* header) {
    if (message != platform::kWaveDone) return;
    if (__atomic_load_n(&header->user, __ATOMIC_SEQ_CST) != 0) platform::waveWrite(stream, header);
}
