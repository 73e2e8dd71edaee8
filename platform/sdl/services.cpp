// The SDL back end's services in one object, so that linking any of them brings in all:
// clock, start-up seed, trace, window, display, wave output and message boxes.
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/edition.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/trace.h"
#include "platform/wave_out.h"
#include "platform/window.h"

#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/audio_mixer.h"
#include "platform/sdl/game_window.h"

namespace platform {

// ---- Clock

// Milliseconds since the system started, so the start-up seed differs from run to run; the
// 32-bit value wraps as the game expects.
uint32_t tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms) {
    timespec wanted{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

uint32_t startupSeed() {
    return tickCount();
}

// ---- Edition: the desktop program, whatever pointer the machine has.

bool webEdition() {
    return false;
}
bool touchScreen() {
    return false;
}

// ---- Trace: real play keeps none.

void trace(const std::string&) {}

// ---- Window, over the one GameWindow

namespace {
bool isVirtualDriver(const char* driver) {
    return driver != nullptr &&
           (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}
}  // namespace

bool createWindow(const std::string& title, bool fullScreen) {
    if (!gameWindow().create(title, fullScreen)) return false;
    // Where no display can be reached SDL falls back to an invisible window; only a caller
    // that names such a driver in SDL_VIDEODRIVER (the tests) is given one.
    if (isVirtualDriver(SDL_GetCurrentVideoDriver()) &&
        !isVirtualDriver(std::getenv("SDL_VIDEODRIVER"))) {
        SDL_Log("Vextorium2: no display: neither X11 nor Wayland can be reached");
        gameWindow().destroy();
        return false;
    }
    return true;
}

void showWindow() {
    gameWindow().show();
}

void destroyWindow() {
    gameWindow().destroy();
}

bool takeMessage(Message& message) {
    return gameWindow().takeMessage(message);
}

void waitForMessage(uint32_t ms) {
    gameWindow().waitForMessage(ms);
}

int32_t defaultWindowProc(const Message&) {
    return 0;
}

// ---- Display: the frame lives in the GameWindow, which shows it

namespace {
constexpr int32_t kBytesPerPixel = 2;
constexpr int32_t kBitsPerPixel = 16;
constexpr uint32_t kFormatFlags = 0;  // nothing reads the format word; same as headless
}  // namespace

DisplayProperties displayProperties() {
    DisplayProperties properties{};
    properties.width = kFrameWidth;
    properties.height = kFrameHeight;
    properties.xPitch = kBytesPerPixel;
    properties.yPitch = kFrameWidth * kBytesPerPixel;
    properties.bitsPerPixel = kBitsPerPixel;
    properties.format = kFormatFlags;
    return properties;
}

void openDisplay() {
    gameWindow().openDisplay();
}

uint16_t* beginDraw() {
    return gameWindow().frame();
}

void endDraw() {}

void closeDisplay() {
    gameWindow().closeDisplay();
}

void suspendDisplay() {
    gameWindow().suspend();
}

void resumeDisplay() {
    gameWindow().resume();
}

// ---- Message boxes: a line on stderr, and a box where a real display exists

namespace {

// A box under X11 waits for the player; without a real display it must not be tried at all.
bool realDisplayExists() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return !isVirtualDriver(SDL_GetCurrentVideoDriver());
    if (isVirtualDriver(std::getenv("SDL_VIDEODRIVER"))) return false;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

void messageBox(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "Vextorium2: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                 text.c_str());
    std::fflush(stderr);
    if (!realDisplayExists()) return;
    // Tied to the game window so that it shows above a full-screen game.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(),
                             gameWindow().sdlWindow());
}

// ---- Wave output: one audio device, opened with the first stream and closed with the last,
// whose callback runs the mixer

namespace {

// The game's own sounds are 22,050 Hz 16-bit mono: a device opened so plays them from the
// clips' memory, with no converted copy (SDL converts to the hardware behind the device, a
// buffer at a time).
constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 1;
constexpr Uint16 kDeviceFrames = 256;  // about 12 ms a buffer

struct AudioDevice {
    SDL_AudioDeviceID id = 0;
    AudioMixer* mixer = nullptr;
    int streams = 0;
    bool failed = false;  // no device here: every later stream stays silent without retrying
};

AudioDevice device;

void SDLCALL fillBuffer(void* mixer, Uint8* out, int bytes) {
    auto* to = static_cast<AudioMixer*>(mixer);
    const int frames = bytes / static_cast<int>(sizeof(int16_t)) / to->deviceChannels();
    to->mix(reinterpret_cast<int16_t*>(out), frames);
}

bool openDevice() {
    if (device.id != 0) return true;
    if (device.failed) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        device.failed = true;
        return false;
    }
    auto* mixer = new AudioMixer(kDeviceRate, kDeviceChannels);
    SDL_AudioSpec wanted{};
    wanted.freq = kDeviceRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kDeviceChannels;
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
