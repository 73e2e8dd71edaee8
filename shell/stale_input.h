// StaleInput: the keys, typed characters and clicks that waited while the program was held up
// (the online exchange). The player saw nothing answer them; applied all at once afterwards,
// seventeen presses of down would scroll seventeen rows. They are dropped instead.
#pragma once
#include "platform/window.h"

class StaleInput {
  public:
    // The message just handled held the program up: what waits now is stale.
    void heldUp() { dropping_ = true; }
    // The queue ran dry: what comes next is new.
    void caughtUp() { dropping_ = false; }
    // A stale key-down, character or press. The home key (a close request too) always counts,
    // and releases, moves and focus changes pass, so that nothing stays held.
    bool drops(const platform::Message& message) const;

  private:
    bool dropping_ = false;
};
