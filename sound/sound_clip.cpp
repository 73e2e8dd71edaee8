// SoundClip: whole-file block on a stream; looping clips re-queue from the done notice.
#include "sound/sound_clip.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"

namespace {
uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
std::string fileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

SoundClip::SoundClip(const std::string& path, bool loop) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    // A file shorter than its header would give a negative sample length: the clip stays silent.
    if (size < kHeaderBytes || size > INT32_MAX) {
        std::fclose(file);
        return;
    }
    fileSize = static_cast<int32_t>(size);
    fileData = new uint8_t[static_cast<size_t>(fileSize)];
    size_t got = std::fread(fileData, 1, static_cast<size_t>(fileSize), file);
    std::fclose(file);
    if (got != static_cast<size_t>(fileSize)) {
        delete[] fileData;
        fileData = nullptr;
        fileSize = 0;
        return;
    }

    const uint8_t* f = fileData;
    format.formatTag = u16(f + 20);
    format.channels = u16(f + 22);
    format.samplesPerSec = u32(f + 24);
    format.avgBytesPerSec = u32(f + 28);
    format.blockAlign = u16(f + 32);
    format.bitsPerSample = u16(f + 34);
    format.extraSize = 0;

    header = new platform::WaveHeader();
    header->data = fileData + kHeaderBytes;
    header->length = static_cast<uint32_t>(fileSize - kHeaderBytes);
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
    delete[] fileData;
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
