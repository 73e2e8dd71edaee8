// SoundClip: one WAV file in memory on its own wave-output stream, played once or looped.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave_out.h"

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

  private:
    static void onDone(platform::WaveStream stream, uint32_t message, uintptr_t instance,
                       platform::WaveHeader* header);

    std::vector<uint8_t> fileData_;
    platform::WaveFormat format_;
    platform::WaveStream output_ = nullptr;
    platform::WaveHeader* header_ = nullptr;
};
