// PointerSteering: the pointer's target against the paddle's centre, after each tick.
#include "frontend/pointer_steering.h"

#include <algorithm>

#include "entities/paddle.h"
#include "frontend/game_app.h"
#include "graphics/fixed.h"
#include "platform/display.h"
#include "world/playfield.h"

bool PointerSteering::handlePointer(const platform::Message& message) {
    switch (message.id) {
        case platform::kMsgPointerMove:
            // The back ends send frame columns only; anything else is held to the frame.
            x_ = std::clamp(platform::pointerX(message.longParam), 0, platform::kFrameWidth - 1);
            over_ = true;
            overridden_ = false;
            return true;
        case platform::kMsgPointerLeave:
            over_ = false;
            release();
            return true;
        case platform::kMsgPointerDown:
            send(platform::kMsgKeyDown, platform::kKeyAction);
            return true;
        case platform::kMsgPointerUp: {
            // Any key's release stops the paddle: a held steering key is pressed again at once,
            // as a player's finger still on it would keep it moving.
            send(platform::kMsgKeyUp, platform::kKeyAction);
            if (held_ != 0) send(platform::kMsgKeyDown, held_);
            return true;
        }
        default:
            return false;
    }
}

void PointerSteering::noteKey(const platform::Message& message) {
    if (sending_ || message.id != platform::kMsgKeyDown) return;
    if (message.wordParam == platform::kKeyLeft || message.wordParam == platform::kKeyRight) {
        // The real key moves the paddle now; letting go of ours would stop it.
        overridden_ = true;
        held_ = 0;
    }
}

void PointerSteering::steer(const GameApp& app, int step) {
    if (!over_ || overridden_ || app.state() != PLAY || !app.gameRunning()) {
        release();
        return;
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
        release();
        return;
    }
    const bool moving = toward == platform::kKeyRight ? paddle.vx() > 0 : paddle.vx() < 0;
    if (toward != held_ || !moving) hold(toward);
}

void PointerSteering::hold(uint32_t key) {
    release();
    send(platform::kMsgKeyDown, key);
    held_ = key;
}

void PointerSteering::release() {
    if (held_ == 0) return;
    send(platform::kMsgKeyUp, held_);
    held_ = 0;
}

void PointerSteering::send(uint32_t id, uint32_t key) {
    sending_ = true;
    sink_(platform::Message{id, key, 0});
    sending_ = false;
}
