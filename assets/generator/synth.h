// Synth: renders a SoundScore to 16-bit mono samples with square, triangle and noise voices
// and a small drum kit.
#pragma once
#include <cstdint>
#include <vector>

#include "sound_score.h"

namespace soundgen {

constexpr int kSampleRate = 22050;

// Renders and normalises so that the loudest sample sits at the score's peak level.
std::vector<int16_t> render(const SoundScore& score);

// A canonical 44-byte-header PCM WAV file: mono, 16-bit, kSampleRate.
std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples);

}  // namespace soundgen
