// AudioMixer: the wave-output streams of the SDL back end, mixed into 16-bit device buffers. A
// block already in the device format plays straight from its owner's memory; any other is
// converted once, whole, to the device format.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/wave_out.h"

namespace platform {

class AudioMixer;

// One stream: its format, its done callback and the block it holds.
struct WaveStreamImpl {
    enum class State {
        Idle,       // no block held
        Queued,     // the block is queued or playing
        Resetting,  // stopped by a reset; the done notice is still to be delivered
        Notifying,  // the block ended; its done notice is being delivered
    };

    AudioMixer* mixer = nullptr;
    WaveFormat format;
    WaveCallback callback = nullptr;
    uintptr_t instance = 0;
    std::string label;

    // Everything below is guarded by the mixer's lock.
    State state = State::Idle;
    WaveHeader* header = nullptr;         // the block held while not Idle
    const uint8_t* sourceData = nullptr;  // the block the samples below were made from
    uint32_t sourceLength = 0;
    bool converted = false;
    std::vector<int16_t> samples;      // that block converted, when it needed converting
    const int16_t* playing = nullptr;  // the block in the device format: `samples` or its own
    size_t frames = 0;                 // how many device frames `playing` holds
    size_t position = 0;               // next frame to play
    bool paused = false;
    int cursor = 0;  // output frames already filled by this stream in the buffer being mixed
    bool delivering = false;      // its callback is running on the audio thread
    bool resetRequested = false;  // reset while the notice was out: a re-queue is reset too
};

class AudioMixer {
  public:
    static constexpr int kInvalidParam = 11;  // the error answer for a missing stream or block

    // The device's rate and its channels (1 or 2, interleaved left first).
    explicit AudioMixer(int deviceRate, int deviceChannels = 2);
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // nullptr for a format the mixer cannot convert (only 8- and 16-bit PCM, 1 or 2 channels).
    WaveStreamImpl* open(const WaveFormat& format, WaveCallback callback, uintptr_t instance,
                         const std::string& label);
    // Converts the block ahead of its first write, so writing later costs nothing.
    int prepare(WaveStreamImpl* stream, WaveHeader* header);
    bool write(WaveStreamImpl* stream, WaveHeader* header);
    void pause(WaveStreamImpl* stream);
    void restart(WaveStreamImpl* stream);
    void reset(WaveStreamImpl* stream);
    int unprepare(WaveStreamImpl* stream, WaveHeader* header);
    // Waits while a done notice of the stream is being delivered, then frees it.
    void close(WaveStreamImpl* stream);

    // Fills `frames` device frames; done notices are delivered from here, outside the lock, so
    // a callback may write its block again. A block re-queued this way continues in the same
    // buffer, with no gap.
    void mix(int16_t* out, int frames);

    int deviceRate() const { return rate_; }
    int deviceChannels() const { return channels_; }

  private:
    bool convert(const WaveFormat& format, const uint8_t* data, uint32_t length,
                 std::vector<int16_t>& out) const;
    // True when the block can play as it is: 16-bit samples of the device's own layout.
    bool playsAsItIs(const WaveFormat& format, const uint8_t* data) const;
    // Makes sure the stream's samples are those of the header's block; false if it cannot.
    bool convertFor(std::unique_lock<std::mutex>& guard, WaveStreamImpl* stream,
                    const WaveHeader* header);

    int rate_;
    int channels_;
    std::mutex lock_;
    std::condition_variable notified_;
    std::vector<WaveStreamImpl*> streams_;
    // Used by mix only (the audio thread), kept to avoid allocating there.
    std::vector<int32_t> accumulator_;
    std::vector<std::pair<WaveStreamImpl*, WaveHeader*>> done_;
};

}  // namespace platform
