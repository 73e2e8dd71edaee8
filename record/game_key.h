// GameKey: names a game by what was played, not by its record's bytes. Fed the game's state
// after every tick (as one number), it keeps a digest of the states in order, a run of equal
// states counted once: waiting (on a stage screen, paused, with the ball held), a switch that
// changes nothing of play and a key that moves nothing leave the key as it was, so two records
// that play the same game have the same key, whatever else their bytes hold.
//
// The running digest is two 64-bit multiply-mix lanes, cheap enough for every tick of a
// verification; the key is the SHA-256 of them with the rules and the level file. It needs to
// tell games apart, not to resist a forger: a game made to collide with another's key only
// stops itself from being listed.
#pragma once
#include <array>
#include <cstdint>
#include <string>

class GameKey {
  public:
    void addState(uint64_t state) {
        if (states_ > 0 && state == last_) return;
        last_ = state;
        ++states_;
        a_ = mix(a_ ^ state);
        b_ = mix(b_ + (state ^ 0x9E3779B97F4A7C15ull) + states_);
    }
    uint64_t distinctStates() const { return states_; }

    // Lowercase hex, 64 characters.
    std::string hex(uint32_t rulesVersion, const std::array<uint8_t, 32>& levelHash) const;

    // A 64-bit finaliser (splitmix64's): every bit of the input reaches every bit of the output.
    static uint64_t mix(uint64_t x) {
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }

  private:
    uint64_t a_ = 0x6A09E667F3BCC908ull;
    uint64_t b_ = 0xBB67AE8584CAA73Bull;
    uint64_t last_ = 0;
    uint64_t states_ = 0;
};
