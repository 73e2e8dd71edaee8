// Paddle and PaddleExplosion: wall stops, held balls, sizes, launch angles, drawing, explosion.
#include "entities/paddle.h"

#include "assets/resource_ids.h"
#include "entities/ball.h"
#include "entities/paddle_explosion.h"
#include "entities/spark.h"
#include "entity_fixture.h"
#include "graphics/canvas.h"
#include "platform/random.h"

#include <cmath>
#include <numbers>

namespace {

class PaddleTest : public EntityTest {};

// A ball whose centre lies `offset` from the paddle's left end.
Ball* ballCentredAt(const Paddle& paddle, Fixed offset, Fixed speed = 0x2000) {
    return new Ball(paddle.x() + offset - px(4), px(150), 0, 0, speed, Ball::Normal);
}

TEST_F(PaddleTest, StopsAtTheWallsAndCarriesHeldBallsAsFarAsItMoved) {
    Paddle paddle;
    EXPECT_EQ(paddle.x(), 0x468000);
    EXPECT_EQ(paddle.right(), 0x468000 + px(35));
    Ball ball(px(80), px(150), 0, 0, 0x2000, Ball::Normal);
    paddle.catchBall(&ball);
    paddle.moveLeft();
    for (int tick = 1; tick <= 28; ++tick) paddle.update(10);  // 2.5 px a tick
    EXPECT_EQ(paddle.x(), 0x8000);
    EXPECT_EQ(ball.x(), px(10));
    paddle.update(10);  // would reach -2 px: stops at 0 after only 0.5 px
    EXPECT_EQ(paddle.x(), 0);
    EXPECT_EQ(paddle.vx(), 0);
    EXPECT_EQ(ball.x(), 0x98000);  // 9.5 px
    paddle.update(10);
    EXPECT_EQ(paddle.x(), 0);
    EXPECT_EQ(ball.x(), 0x98000);

    Paddle other;
    Ball carried(px(80), px(150), 0, 0, 0x2000, Ball::Normal);
    other.catchBall(&carried);
    other.moveRight();
    for (int tick = 1; tick <= 29; ++tick) other.update(10);
    EXPECT_EQ(other.x(), px(141));
    EXPECT_EQ(other.vx(), 0);
    EXPECT_EQ(carried.x(), px(80) + px(141) - 0x468000);
}

TEST_F(PaddleTest, BounceAngleFollowsTheHitPointOnEachSize) {
    Paddle paddle;  // normal bar at 70.5 px
    auto angleAt = [&](Fixed offset) {
        Ball* ball = ballCentredAt(paddle, offset);
        const int32_t a = paddle.bounceAngle(ball);
        delete ball;
        return a;
    };
    EXPECT_EQ(angleAt(0), 160);
    EXPECT_EQ(angleAt(px(35)), 20);
    EXPECT_EQ(angleAt(0x18000), 156);  // 1.5 px: d = 1
    EXPECT_EQ(angleAt(-0x8000), 164);  // 0.5 px left of the end: d = -1

    paddle.enlarge();
    EXPECT_EQ(angleAt(0), 165);
    EXPECT_EQ(angleAt(px(50)), 15);

    paddle.shrink();
    paddle.shrink();
    EXPECT_EQ(paddle.size(), Paddle::Narrow);
    EXPECT_EQ(angleAt(0), 170);
    EXPECT_EQ(angleAt(px(20)), 10);
    EXPECT_EQ(angleAt(-px(10)), 180);  // 250 clamped
    EXPECT_EQ(angleAt(px(30)), 0);     // -70 clamped
}

TEST_F(PaddleTest, DirectionTableEntries) {
    using D = Paddle::Direction;
    auto is = [](const D& d, Fixed x, Fixed y) { return d.x == x && d.y == y; };
    EXPECT_TRUE(is(Paddle::directionTable[0], 65536, 0));
    EXPECT_TRUE(is(Paddle::directionTable[1], 65526, -1143));
    EXPECT_TRUE(is(Paddle::directionTable[45], 46340, -46340));
    EXPECT_TRUE(is(Paddle::directionTable[60], 32768, -56755));
    EXPECT_TRUE(is(Paddle::directionTable[90], 1000, -65536));
    EXPECT_TRUE(is(Paddle::directionTable[150], -56755, -32768));
    EXPECT_TRUE(is(Paddle::directionTable[180], -65536, 0));
    EXPECT_TRUE(is(Paddle::directionTable[30], 56755, -32767));
    EXPECT_TRUE(is(Paddle::directionTable[120], -32767, -56755));
    // Every entry left to cos and sin is far from a truncation step (a maths library a few
    // units in the last place off gives the same table); the fixed entries are those that are not.
    for (int a = 0; a <= 180; ++a) {
        if (a % 30 == 0) continue;
        const double radians = a * std::numbers::pi / 180;
        for (double v : {std::cos(radians) * 65536, std::sin(radians) * 65536})
            EXPECT_GT(std::abs(v - std::round(v)), 1e-6) << a;
    }
}

TEST_F(PaddleTest, BounceBallSetsTheVelocityFromTheTable) {
    Paddle paddle;
    paddle.enlarge();                          // wide: a = 165 - 3d
    Ball* up = ballCentredAt(paddle, px(25));  // 90 degrees
    const Fixed x = up->x(), y = up->y();
    paddle.bounceBall(up);
    EXPECT_EQ(up->vx(), 96);  // (1000 >> 8) x (0x2000 >> 8) = 3 x 32
    EXPECT_EQ(up->vy(), -0x2000);
    EXPECT_EQ(up->x(), x);
    EXPECT_EQ(up->y(), y);
    delete up;

    Ball* fast = ballCentredAt(paddle, px(25), 0x3000);
    paddle.bounceBall(fast);
    EXPECT_EQ(fast->vx(), 144);  // 3 x 48
    EXPECT_EQ(fast->vy(), -12288);
    delete fast;

    Ball* left = ballCentredAt(paddle, px(5));  // 150 degrees
    paddle.bounceBall(left);
    EXPECT_EQ(left->vx(), -7104);  // (-56755 >> 8) = -222, x 32
    EXPECT_EQ(left->vy(), -4096);  // -128 x 32
    delete left;

    paddle.shrink();
    paddle.shrink();
    Ball* flat = ballCentredAt(paddle, px(30), 0x1800);  // clamped to 0 degrees
    paddle.bounceBall(flat);
    EXPECT_EQ(flat->vx(), 6144);  // 256 x 24
    EXPECT_EQ(flat->vy(), 0);
    delete flat;
}

TEST_F(PaddleTest, EnlargeAndShrinkKeepTheBarAndBallsInside) {
    Paddle paddle;
    paddle.moveRight();
    for (int tick = 1; tick <= 29; ++tick) paddle.update(10);
    ASSERT_EQ(paddle.x(), px(141));
    paddle.enlarge();
    EXPECT_EQ(paddle.size(), Paddle::Wide);
    EXPECT_EQ(paddle.width(), px(50));
    EXPECT_EQ(paddle.x(), px(126));
    paddle.enlarge();
    EXPECT_EQ(paddle.size(), Paddle::Wide);
    EXPECT_EQ(paddle.x(), px(126));
    paddle.shrink();
    EXPECT_EQ(paddle.width(), px(35));
    EXPECT_EQ(paddle.x(), px(126));
    paddle.shrink();
    paddle.shrink();
    EXPECT_EQ(paddle.size(), Paddle::Narrow);
    EXPECT_EQ(paddle.width(), px(20));
    EXPECT_EQ(paddle.x(), px(126));

    Paddle left;
    left.moveLeft();
    for (int tick = 1; tick <= 29; ++tick) left.update(10);
    ASSERT_EQ(left.x(), 0);
    left.enlarge();
    Ball outer(px(45), px(150), 0, 0, 0x2000, Ball::Normal);
    Ball inner(px(10), px(150), 0, 0, 0x2000, Ball::Normal);
    left.catchBall(&outer);
    left.catchBall(&inner);
    EXPECT_EQ(outer.x(), px(45));
    left.shrink();
    EXPECT_EQ(outer.x(), px(27));
    EXPECT_EQ(inner.x(), px(10));
}

TEST_F(PaddleTest, CatchBallPutsTheBallOnTheBar) {
    Paddle paddle;  // 70.5 .. 105.5 px
    Ball leftOf(px(60), px(190), 0x1000, 0x1000, 0x2000, Ball::Normal);
    paddle.catchBall(&leftOf);
    EXPECT_EQ(leftOf.x(), 0x468000);
    EXPECT_EQ(leftOf.y(), px(186));
    EXPECT_TRUE(leftOf.held());
    EXPECT_EQ(leftOf.vx(), 0x1000);
    EXPECT_EQ(leftOf.vy(), 0x1000);
    Ball rightOf(px(110), px(190), 0, 0, 0x2000, Ball::Normal);
    paddle.catchBall(&rightOf);
    EXPECT_EQ(rightOf.x(), 0x618000);  // 105.5 - 8 = 97.5 px
    Ball onTop(px(80), px(190), 0, 0, 0x2000, Ball::Normal);
    paddle.catchBall(&onTop);
    EXPECT_EQ(onTop.x(), px(80));
    EXPECT_EQ(paddle.heldBalls().size(), 3u);
}

TEST_F(PaddleTest, ReleaseBallsLaunchesEveryHeldBall) {
    Paddle paddle;
    paddle.releaseBalls();
    EXPECT_TRUE(paddle.heldBalls().empty());

    paddle.enlarge();
    Ball* straight = ballCentredAt(paddle, px(25));  // 90 degrees
    Ball* slanted = ballCentredAt(paddle, px(5));    // 150 degrees
    paddle.catchBall(straight);
    paddle.catchBall(slanted);
    paddle.releaseBalls();
    EXPECT_TRUE(paddle.heldBalls().empty());
    EXPECT_FALSE(straight->held());
    EXPECT_FALSE(slanted->held());
    EXPECT_EQ(straight->vx(), 96);
    EXPECT_EQ(straight->vy(), -0x2000);
    EXPECT_EQ(slanted->vx(), -7104);
    EXPECT_EQ(slanted->vy(), -4096);
    // Released balls no longer follow the paddle.
    paddle.moveLeft();
    paddle.update(10);
    EXPECT_EQ(straight->x(), 0x468000 + px(21));
    delete straight;
    delete slanted;
}

TEST_F(PaddleTest, DrawsTheBarAndItsAttachments) {
    Paddle paddle;
    paddle.moveLeft();
    for (int tick = 1; tick <= 29; ++tick) paddle.update(10);
    const Image probe(nullptr, resource::kPaddle);  // the same sheet, for comparison
    Canvas canvas;
    paddle.draw(&canvas);
    // The normal bar comes from rows 6..11; nothing beyond its 35 pixels.
    EXPECT_EQ(canvas.pixelAt(5, 196), sheetPixel(&probe, 5, 8));
    EXPECT_EQ(canvas.pixelAt(34, 199), sheetPixel(&probe, 34, 11));
    EXPECT_EQ(canvas.pixelAt(35, 196), 0);
    EXPECT_EQ(canvas.pixelAt(2, 191), 0);  // no attachment in Normal mode

    paddle.setMode(Paddle::Stick);
    Canvas stick;
    paddle.draw(&stick);
    EXPECT_EQ(stick.pixelAt(2, 191), sheetPixel(&probe, 42, 15));
    EXPECT_EQ(stick.pixelAt(32, 191), sheetPixel(&probe, 42, 15));

    paddle.setMode(Paddle::Shoot);
    paddle.enlarge();
    Canvas shoot;
    paddle.draw(&shoot);
    EXPECT_EQ(shoot.pixelAt(45, 196), sheetPixel(&probe, 45, 2));
    EXPECT_EQ(shoot.pixelAt(2, 191), sheetPixel(&probe, 47, 15));
    EXPECT_EQ(shoot.pixelAt(47, 191), sheetPixel(&probe, 47, 15));

    paddle.shrink();
    paddle.shrink();
    Canvas narrow;
    paddle.draw(&narrow);
    EXPECT_EQ(narrow.pixelAt(5, 196), sheetPixel(&probe, 5, 14));
    EXPECT_EQ(narrow.pixelAt(20, 196), 0);
}

TEST_F(PaddleTest, ExplodesOnceAndReportsTheEndOnThe41stUpdate) {
    RandomMirror mirror(kSeed);
    Paddle paddle;
    paddle.explode();
    const int r1 = mirror.next();
    const int r2 = mirror.next();
    const int r3 = mirror.next();
    const int r4 = mirror.next();
    for (int i = 4; i < 200; ++i) mirror.next();
    paddle.explode();
    EXPECT_EQ(platform::nextRandom(), mirror.next());  // the second explode drew nothing
    EXPECT_TRUE(paddle.destroyed());
    const auto& sparks = paddle.explosion()->sparks();
    ASSERT_EQ(sparks.size(), 50u);
    const Spark& first = sparks.front();
    EXPECT_EQ(first.x(), 0x468000 + px(r4 % 35));
    EXPECT_EQ(first.y(), px(194) + px(r3 % 6));
    EXPECT_EQ(first.vx(), (r2 - 16383) * 8);
    EXPECT_EQ(first.vy(), -r1 * 8);
    EXPECT_EQ(first.life(), 400);

    for (int update = 1; update <= 40; ++update) paddle.update(10);
    EXPECT_FALSE(paddle.explosionDone());
    EXPECT_TRUE(paddle.explosion()->isActive());
    paddle.update(10);
    EXPECT_TRUE(paddle.explosionDone());
    EXPECT_FALSE(paddle.explosion()->isActive());
    EXPECT_EQ(paddle.explosion()->sparks().size(), 50u);
    paddle.update(10);
    EXPECT_TRUE(paddle.explosionDone());

    // Destroyed and the explosion over: nothing is drawn and no colour is drawn at random.
    Canvas canvas;
    paddle.draw(&canvas);
    const int x = wholePixels(paddle.x());
    EXPECT_EQ(canvas.pixelAt(x + 5, 196), 0);
    EXPECT_EQ(platform::nextRandom(), mirror.next());

    paddle.enlarge();
    paddle.setMode(Paddle::Shoot);
    paddle.reset();
    EXPECT_FALSE(paddle.destroyed());
    EXPECT_FALSE(paddle.explosionDone());
    EXPECT_TRUE(paddle.explosion()->sparks().empty());
    EXPECT_EQ(paddle.x(), 0x468000);
    EXPECT_EQ(paddle.size(), Paddle::Medium);
    EXPECT_EQ(paddle.width(), px(35));
    EXPECT_EQ(paddle.mode(), Paddle::Normal);
    paddle.explode();
    EXPECT_TRUE(paddle.destroyed());
}

TEST_F(PaddleTest, ExplosionFinishedIsReadOnce) {
    PaddleExplosion explosion;
    EXPECT_FALSE(explosion.takeFinished());
    explosion.start(px(10), px(20));
    for (const Spark& spark : explosion.sparks()) {
        EXPECT_GE(spark.x(), px(10));
        EXPECT_LT(spark.x(), px(30));
        EXPECT_GE(spark.y(), px(194));
        EXPECT_LT(spark.y(), px(200));
        EXPECT_LE(spark.vy(), 0);
    }
    for (int update = 1; update <= 41; ++update) explosion.update(10);
    EXPECT_TRUE(explosion.takeFinished());
    EXPECT_FALSE(explosion.takeFinished());
    explosion.reset();
    EXPECT_TRUE(explosion.sparks().empty());
    EXPECT_FALSE(explosion.isActive());
}

}  // namespace
