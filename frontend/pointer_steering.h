// PointerSteering: the mouse or a finger over the frame, played through the keys. Moving the
// pointer steers the paddle toward it by holding left or right, exactly as a player holding the
// key would (the paddle keeps its own speed); a press is the action key's down, a release its up,
// on every screen.
//
// How it meets the keyboard: a real left or right key (or a gamepad's) takes the paddle over
// until the pointer moves again; any other key leaves steering on. Whatever stops the paddle
// under steering (another key's release, a new life) is made good at the next tick.
#pragma once
#include <cstdint>

#include "platform/window.h"

class GameApp;

class PointerSteering {
  public:
    // Where the keys go: the handling a real key message gets.
    using KeySink = void (*)(const platform::Message& key);

    explicit PointerSteering(KeySink sink) : sink_(sink) {}

    // A pointer message: moves the steering target, or presses or releases the action key. False
    // for any other message.
    bool handlePointer(const platform::Message& message);
    // A key message before it is handled (this helper's own keys are recognised and ignored).
    void noteKey(const platform::Message& message);
    // After each tick of `step` time units: while a game is in play and the pointer is over the
    // frame, holds the key toward the pointer until the paddle's centre is within half a step of
    // it; otherwise lets go of any key it holds.
    void steer(const GameApp& app, int step);

    // The key held for the pointer (kKeyLeft or kKeyRight), 0 for none.
    uint32_t heldKey() const { return held_; }

  private:
    void send(uint32_t id, uint32_t key);
    void hold(uint32_t key);
    void release();

    KeySink sink_;
    int x_ = 0;                // the pointer's column in the frame
    bool over_ = false;        // the pointer is over the frame
    bool overridden_ = false;  // a real left or right key took over
    uint32_t held_ = 0;
    bool sending_ = false;
};
