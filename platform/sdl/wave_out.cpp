// Wave output of the SDL back end: one audio device, opened with the first stream and closed
// with the last, whose callback runs the mixer.
#include "platform/wave_out.h"

#include <SDL.h>

#include "platform/sdl/audio_mixer.h"

namespace platform {
namespace {

constexpr int kDeviceRate = 44100;
constexpr Uint16 kDeviceFrames = 512;  // about 12 ms a buffer

struct AudioDevice {
    SDL_AudioDeviceID id = 0;
    AudioMixer* mixer = nullptr;
    int streams = 0;
    bool failed = false;  // no device here: every later stream stays silent without retrying
};

AudioDevice device;

void SDLCALL fillBuffer(void* mixer, Uint8* out, int bytes) {
    const int frames = bytes / static_cast<int>(sizeof(int16_t) * AudioMixer::kChannels);
    static_cast<AudioMixer*>(mixer)->mix(reinterpret_cast<int16_t*>(out), frames);
}

bool openDevice() {
    if (device.id != 0) return true;
    if (device.failed) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        device.failed = true;
        return false;
    }
    auto* mixer = new AudioMixer(kDeviceRate);
    SDL_AudioSpec wanted{};
    wanted.freq = kDeviceRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = AudioMixer::kChannels;
    wanted.samples = kDeviceFrames;
    wanted.callback = fillBuffer;
    wanted.userdata = mixer;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants behind the device.
    device.id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device.id == 0) {
        delete mixer;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device.failed = true;
        return false;
    }
    device.mixer = mixer;
    SDL_PauseAudioDevice(device.id, 0);
    return true;
}

void closeDevice() {
    SDL_CloseAudioDevice(device.id);
    delete device.mixer;
    device.id = 0;
    device.mixer = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace

WaveStream waveOpen(const WaveFormat& format, WaveCallback callback, uintptr_t instance,
                    const std::string& label) {
    if (!openDevice()) return nullptr;
    WaveStream stream = device.mixer->open(format, callback, instance, label);
    if (stream != nullptr) {
        ++device.streams;
    } else if (device.streams == 0) {
        closeDevice();
    }
    return stream;
}

int wavePrepare(WaveStream stream, WaveHeader* header) {
    if (stream == nullptr) return AudioMixer::kInvalidParam;
    return stream->mixer->prepare(stream, header);
}

bool waveWrite(WaveStream stream, WaveHeader* header) {
    return stream != nullptr && stream->mixer->write(stream, header);
}

void wavePause(WaveStream stream) {
    if (stream != nullptr) stream->mixer->pause(stream);
}

void waveRestart(WaveStream stream) {
    if (stream != nullptr) stream->mixer->restart(stream);
}

void waveReset(WaveStream stream) {
    if (stream != nullptr) stream->mixer->reset(stream);
}

int waveUnprepare(WaveStream stream, WaveHeader* header) {
    if (stream == nullptr) return AudioMixer::kInvalidParam;
    return stream->mixer->unprepare(stream, header);
}

void waveClose(WaveStream stream) {
    if (stream == nullptr) return;
    stream->mixer->close(stream);
    if (--device.streams == 0) closeDevice();
}

}  // namespace platform
