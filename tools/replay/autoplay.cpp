// The built-in player: it watches the game and sends only key messages, as a player would.
#include "tools/replay/autoplay.h"

#include "entities/ball.h"
#include "entities/paddle.h"
#include "frontend/game_app.h"
#include "platform/headless/headless.h"
#include "shell/program.h"
#include "world/playfield.h"

namespace {
constexpr uint32_t kDecisionEveryMs = 10;
constexpr Fixed kRightWall = px(168);  // a ball's x at the right wall
constexpr Fixed kDeadZone = px(3);
constexpr uint32_t kAimPeriodMs = 7919;

enum class Steer { None, Left, Right };

struct Player {
    Steer steering = Steer::None;
    uint32_t lastStageAction = 0;
};

void key(uint32_t id, uint32_t code) {
    platform::headless::postMessage({id, code, 0});
}

// Where a falling ball's centre will cross the paddle's top line, mirrored off the side walls.
Fixed landingX(const Ball& ball) {
    const int64_t fall = static_cast<int64_t>(Paddle::kTop - Ball::kSize - ball.y());
    int64_t x = ball.x() + (fall > 0 && ball.vy() > 0 ? fall * ball.vx() / ball.vy() : 0);
    const int64_t period = 2 * static_cast<int64_t>(kRightWall);
    x %= period;
    if (x < 0) x += period;
    if (x > kRightWall) x = period - x;
    return static_cast<Fixed>(x) + Ball::kSize / 2;
}

void steer(Player& p, Steer want) {
    if (want == p.steering) return;
    if (p.steering != Steer::None)
        key(platform::kMsgKeyUp,
            p.steering == Steer::Left ? platform::kKeyLeft : platform::kKeyRight);
    if (want != Steer::None)
        key(platform::kMsgKeyDown, want == Steer::Left ? platform::kKeyLeft : platform::kKeyRight);
    p.steering = want;
}

void play(Player& p, const Playfield& field, uint32_t now) {
    const Paddle& paddle = field.paddleView();
    const Ball* target = nullptr;
    bool anyHeld = false;
    for (const Ball* ball : field.ballList()) {
        anyHeld = anyHeld || ball->held();
        if (ball->held() || ball->vy() <= 0) continue;
        if (target == nullptr || ball->y() > target->y()) target = ball;
    }
    if (anyHeld && now % 200 == 0) {
        key(platform::kMsgKeyDown, platform::kKeyAction);
        key(platform::kMsgKeyUp, platform::kKeyAction);
        p.steering = Steer::None;  // any key-up stops the paddle
    }
    if (target == nullptr) {
        steer(p, Steer::None);
        return;
    }
    // Aim off the paddle's centre by an amount that drifts over time, so the bounce angles
    // vary and a ball cannot settle into one path that misses the last bricks.
    const int offset = static_cast<int>((now / kAimPeriodMs) % 7) - 3;
    const Fixed aim = landingX(*target) + offset * px(4);
    const Fixed centre = paddle.x() + paddle.width() / 2;
    steer(p, aim < centre - kDeadZone   ? Steer::Left
             : aim > centre + kDeadZone ? Steer::Right
                                        : Steer::None);
}

void decide(Player& player, uint32_t now) {
    if (program().app == nullptr || now % kDecisionEveryMs != 0) return;
    if (program().app->state() == STAGE && now - player.lastStageAction >= 500) {
        player.lastStageAction = now;
        key(platform::kMsgKeyDown, platform::kKeyAction);
        key(platform::kMsgKeyUp, platform::kKeyAction);
    } else if (program().app->state() == PLAY && program().app->gameRunning()) {
        play(player, *program().app->playfield(), now);
    } else {
        player.steering = Steer::None;
    }
}
}  // namespace

void installAutoplay(std::function<void(uint32_t now)> after) {
    platform::headless::setAutoInput(
        [player = Player{}, after = std::move(after)](uint32_t now) mutable {
            decide(player, now);
            if (after) after(now);
        });
}
