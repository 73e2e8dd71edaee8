// readWavHeader: the format block and the sample length from a WAV file's bytes.
#include "sound/wav_header.h"

#include "platform/little_endian.h"

std::optional<WavHeader> readWavHeader(const uint8_t* data, size_t size) {
    if (size < WavHeader::kBytes || size > WavHeader::kMaxFileBytes) return std::nullopt;
    WavHeader header;
    header.format.formatTag = le::read16(data + 20);
    header.format.channels = le::read16(data + 22);
    header.format.samplesPerSec = le::read32(data + 24);
    header.format.avgBytesPerSec = le::read32(data + 28);
    header.format.blockAlign = le::read16(data + 32);
    header.format.bitsPerSample = le::read16(data + 34);
    header.format.extraSize = 0;
    header.sampleBytes = size - WavHeader::kBytes;
    return header;
}
