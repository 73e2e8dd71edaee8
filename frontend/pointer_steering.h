// PointerSteering: the mouse or a finger over the frame, played through the keys. Moving the
// pointer steers the paddle toward it by holding left or right, exactly as a player holding the
// key would (the paddle keeps its own speed); a press is the action key's down, a release its up,
// on every screen.
//
// Only the play screen's own pointer steers: a move or a press there (paused or not) aims the
// paddle; a place left on another screen (or the one move a window opening under the mouse
// sends) aims nothing, and leaving play (for the next stage, say) forgets the aim.
//
// How it meets the keyboard: a real left or right key (or a gamepad's) takes the paddle over
// until the pointer moves again; any other key leaves steering on. Whatever stops the paddle
// under steering (another key's release, a new life) is made good at the next tick.
//
// Steering only answers with the key messages it wants handled; the caller hands them to the
// same handling a real key gets, in order.
#pragma once
#include <array>
#include <cstdint>

#include "platform/window.h"

class GameApp;

// The key messages one steering call wants handled, in order: at most a release and a press.
class SteeringKeys {
  public:
    void add(uint32_t id, uint32_t key) { messages_[count_++] = platform::Message{id, key, 0}; }
    const platform::Message* begin() const { return messages_.data(); }
    const platform::Message* end() const { return messages_.data() + count_; }
    bool empty() const { return count_ == 0; }

  private:
    std::array<platform::Message, 2> messages_{};
    int count_ = 0;
};

class PointerSteering {
  public:
    // A pointer message: moves the steering target, or presses or releases the action key.
    SteeringKeys handlePointer(const platform::Message& message, const GameApp& app);
    // A real key message, before it is handled.
    void noteKey(const platform::Message& message);
    // After each tick of `step` time units: while a game is in play and the pointer is over the
    // frame, holds the key toward the pointer until the paddle's centre is within half a step of
    // it; otherwise lets go of any key it holds.
    SteeringKeys steer(const GameApp& app, int step);

    // The key held for the pointer (kKeyLeft or kKeyRight), 0 for none.
    uint32_t heldKey() const { return held_; }

    // How far the paddle is aimed for a move of the pointer, in percent (the player's setting):
    // the aim is the frame's centre plus the pointer's distance from it times this, kept on the
    // frame. 100 aims right under the pointer. Only the aim changes: play still sees only keys.
    static constexpr int kMinSensitivity = 50;
    static constexpr int kMaxSensitivity = 200;
    void setSensitivity(int percent);
    int sensitivity() const { return sensitivity_; }

  private:
    int aimedColumn(int pointerX) const;

    void hold(uint32_t key, SteeringKeys& keys);
    void release(SteeringKeys& keys);

    int x_ = 0;                // the pointer's column in the frame
    bool over_ = false;        // the pointer is over the play screen, aiming
    bool overridden_ = false;  // a real left or right key took over
    uint32_t held_ = 0;
    int sensitivity_ = 100;
};
