// PointerSteering: the pointer's target against the paddle's centre, after each tick.
#include "frontend/pointer_steering.h"

#include <algorithm>

#include "entities/paddle.h"
#include "frontend/game_app.h"
#include "graphics/fixed.h"
#include "platform/display.h"
#include "world/playfield.h"

// The column the paddle is steered to: the pointer's distance from the frame's centre scaled by
// the sensitivity, so that at 200% half the hand's movement crosses the whole field and at 50%
// the paddle stays within the middle half. Whole pixels, on the frame.
int PointerSteering::aimedColumn(int pointerX) const {
    const int centre = platform::kFrameWidth / 2;
    const int aimed = centre + (pointerX - centre) * sensitivity_ / 100;
    return std::clamp(aimed, 0, platform::kFrameWidth - 1);
}

void PointerSteering::setSensitivity(int percent) {
    sensitivity_ = std::clamp(percent, kMinSensitivity, kMaxSensitivity);
}

SteeringKeys PointerSteering::handlePointer(const platform::Message& message, const GameApp& app) {
    SteeringKeys keys;
    // A move aims (and takes the paddle back from the keys); a press aims only where nothing
    // does yet, so a click that fires leaves a keyboard player's paddle alone.
    const bool aims = message.id == platform::kMsgPointerMove ||
                      (message.id == platform::kMsgPointerDown && !over_);
    if (aims && app.state() == PLAY) {
        // The back ends send frame columns only; anything else is held to the frame.
        x_ = aimedColumn(platform::pointerX(message.longParam));
        over_ = true;
        if (message.id == platform::kMsgPointerMove) overridden_ = false;
    }
    switch (message.id) {
        case platform::kMsgPointerMove:
            break;
        case platform::kMsgPointerLeave:
            over_ = false;
            release(keys);
            break;
        case platform::kMsgPointerDown:
            keys.add(platform::kMsgKeyDown, platform::kKeyAction);
            break;
        case platform::kMsgPointerUp: {
            // Any key's release stops the paddle: a held steering key is pressed again at once,
            // as a player's finger still on it would keep it moving.
            keys.add(platform::kMsgKeyUp, platform::kKeyAction);
            if (held_ != 0) keys.add(platform::kMsgKeyDown, held_);
            break;
        }
        default:
            break;
    }
    return keys;
}

void PointerSteering::noteKey(const platform::Message& message) {
    if (message.id != platform::kMsgKeyDown) return;
    if (message.wordParam == platform::kKeyLeft || message.wordParam == platform::kKeyRight) {
        // The real key moves the paddle now; letting go of ours would stop it.
        overridden_ = true;
        held_ = 0;
    }
}

SteeringKeys PointerSteering::steer(const GameApp& app, int step) {
    SteeringKeys keys;
    if (app.state() != PLAY) over_ = false;  // the aim is the play screen's alone
    if (!over_ || overridden_ || !app.gameRunning()) {
        release(keys);
        return keys;
    }
    const Paddle& paddle = app.playfield()->paddleView();
    // The middle of the pointer's pixel, against the paddle's centre.
    const Fixed distance = px(x_) + kFixedOne / 2 - (paddle.x() + paddle.width() / 2);
    const Fixed stepLength = Paddle::kSpeed * step;
    uint32_t toward = 0;
    // Within half a step the paddle is as close as its steps allow: it stays there.
    if (2 * distance > stepLength && paddle.right() < px(platform::kFrameWidth)) {
        toward = platform::kKeyRight;
    } else if (-2 * distance > stepLength && paddle.x() > 0) {
        toward = platform::kKeyLeft;
    }
    if (toward == 0) {
        release(keys);
        return keys;
    }
    const bool moving = toward == platform::kKeyRight ? paddle.vx() > 0 : paddle.vx() < 0;
    if (toward != held_ || !moving) hold(toward, keys);
    return keys;
}

void PointerSteering::hold(uint32_t key, SteeringKeys& keys) {
    release(keys);
    keys.add(platform::kMsgKeyDown, key);
    held_ = key;
}

void PointerSteering::release(SteeringKeys& keys) {
    if (held_ == 0) return;
    keys.add(platform::kMsgKeyUp, held_);
    held_ = 0;
}
