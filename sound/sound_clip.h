// SoundClip: one WAV file in memory on its own wave-output stream, played once or looped, as
// loud as the player set it: a looped clip is music (presentation().musicVolume), any other an
// effect (effectsVolume). The switches and mute still decide whether it plays at all.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave_out.h"

// Scales `bytes` of PCM samples (8-bit unsigned or 16-bit signed little-endian, as `format`
// says) from `from` into `to` to `percent` (0..100) of their loudness, truncating toward silence.
void scaleSamples(const platform::WaveFormat& format, const uint8_t* from, uint8_t* to,
                  size_t bytes, int percent);

class SoundClip {
  public:
    // path: the full path of the WAV file; loop: re-queue the block each time it ends.
    // A missing or unreadable file (anything but a regular file), or one shorter than its
    // header, gives a silent clip.
    SoundClip(const std::string& path, bool loop);
    ~SoundClip();
    SoundClip(const SoundClip&) = delete;
    SoundClip& operator=(const SoundClip&) = delete;

    // Ignored while the clip is still queued or playing.
    void play();
    void pause();
    void resume();

    bool isSilent() const { return output_ == nullptr; }

    // Every clip takes up the volumes of presentation() now: one whose volume changed stops,
    // and music that was playing starts again at the new volume.
    static void applyVolumes();

  private:
    static void onDone(platform::WaveStream stream, uint32_t message, uintptr_t instance,
                       platform::WaveHeader* header);

    int wantedVolume() const;
    void setVolume(int percent);
    void stop();

    std::vector<uint8_t> fileData_;
    std::vector<uint8_t> scaled_;  // the samples at volume_, when below 100
    int volume_ = 100;
    bool loop_ = false;
    bool started_ = false;  // a looped clip was played (and plays on until destroyed)
    bool paused_ = false;
    platform::WaveFormat format_;
    platform::WaveStream output_ = nullptr;
    platform::WaveHeader* header_ = nullptr;
};
