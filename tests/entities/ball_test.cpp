// Ball and Spark: wall rebounds, animation, fire trail, rebound rules, rescaling, sharing.
#include "entities/ball.h"

#include "entities/spark.h"
#include "entity_fixture.h"
#include "graphics/canvas.h"
#include "platform/random.h"

namespace {

class BallTest : public EntityTest {};

TEST_F(BallTest, ReboundsFromTheTopAndSideWalls) {
    // 1 px moving left by 2.5 px: mirrored to 0.25 px.
    Ball left(px(1), px(100), -0x2000, 0, 0x2000, Ball::Normal);
    left.update(10);
    EXPECT_EQ(left.x(), 0x4000);
    EXPECT_EQ(left.vx(), 0x2000);
    EXPECT_EQ(left.y(), px(100));

    // A new x of 170 px mirrors about 168 px to 166 px.
    Ball right(px(160), px(100), 0x10000, 0, 0x2000, Ball::Normal);
    right.update(10);
    EXPECT_EQ(right.x(), px(166));
    EXPECT_EQ(right.vx(), -0x10000);

    // A new y of -3 px becomes 3 px.
    Ball top(px(50), px(2), 0, -0x8000, 0x2000, Ball::Normal);
    top.update(10);
    EXPECT_EQ(top.y(), px(3));
    EXPECT_EQ(top.vy(), 0x8000);
    EXPECT_EQ(top.x(), px(50));

    // Exactly 0 and exactly 168 px count as reaching the wall.
    Ball atZero(px(5), px(5), -0x8000, -0x8000, 0x2000, Ball::Normal);
    atZero.update(10);
    EXPECT_EQ(atZero.x(), 0);
    EXPECT_EQ(atZero.y(), 0);
    EXPECT_EQ(atZero.vx(), 0x8000);
    EXPECT_EQ(atZero.vy(), 0x8000);
    Ball at168(px(163), px(80), 0x8000, 0, 0x2000, Ball::Normal);
    at168.update(10);
    EXPECT_EQ(at168.x(), px(168));
    EXPECT_EQ(at168.vx(), -0x8000);

    // Top and left wall in one tick.
    Ball corner(px(1), px(1), -0x2000, -0x2000, 0x2000, Ball::Normal);
    corner.update(10);
    EXPECT_EQ(corner.x(), 0x4000);
    EXPECT_EQ(corner.y(), 0x4000);
    EXPECT_EQ(corner.vx(), 0x2000);
    EXPECT_EQ(corner.vy(), 0x2000);
}

TEST_F(BallTest, AnimatesOverSixtyTicksInFourColumns) {
    Canvas canvas;
    Ball ball(px(40), px(50), 0, 0, 0x2000, Ball::Thru);
    const Image* sheet = Ball::ballImage();
    ASSERT_NE(sheet, nullptr);
    auto drawnColumnIs = [&](int column) {
        ball.draw(&canvas);
        // A pixel inside the sprite, from row 2 (Thru) of the sheet.
        return canvas.pixelAt(43, 55) == sheetPixel(sheet, column * 8 + 3, 2 * 8 + 5);
    };
    EXPECT_TRUE(drawnColumnIs(0));
    const int expectedColumns[60] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                     1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  //
                                     2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  //
                                     3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};
    for (int tick = 1; tick <= 59; ++tick) {
        ball.update(10);
        EXPECT_EQ(ball.frame(), tick);
        EXPECT_TRUE(drawnColumnIs(expectedColumns[tick])) << "frame " << tick;
    }
    ball.update(10);
    EXPECT_EQ(ball.frame(), 0);
    EXPECT_TRUE(drawnColumnIs(0));

    ball.setKind(Ball::Normal);
    ball.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(43, 55), sheetPixel(sheet, 3, 5));
}

TEST_F(BallTest, FireBallTrailsSparks) {
    RandomMirror mirror(kSeed);
    Ball ball(px(80), px(100), 0x1000, -0x1000, 0x2000, Ball::Fire);
    ball.update(10);
    const int r1 = mirror.next();
    const int r2 = mirror.next();
    const int r3 = mirror.next();
    const int r4 = mirror.next();
    ASSERT_EQ(ball.sparks().size(), 1u);
    EXPECT_EQ(ball.x(), px(80) + 0xA000);
    EXPECT_EQ(ball.y(), px(100) - 0xA000);
    // Created inside the ball's box, then advanced once in the same tick.
    const Spark& spark = ball.sparks().front();
    const Fixed vx = r2 - 16383, vy = r1 - 16383;
    EXPECT_EQ(spark.x(), ball.x() + px(r4 % 8) + vx);
    EXPECT_EQ(spark.y(), ball.y() + px(r3 % 8) + vy);
    EXPECT_EQ(spark.vx(), vx - (vx >> 3));
    EXPECT_EQ(spark.vy(), vy - (vy >> 3));
    EXPECT_EQ(spark.life(), 290);
    EXPECT_EQ(platform::nextRandom(), mirror.next());

    // A still fire ball keeps 30 sparks: from the 31st tick on, the oldest dies as one is born.
    Ball still(px(80), px(100), 0, 0, 0x2000, Ball::Fire);
    for (int tick = 1; tick <= 30; ++tick) still.update(10);
    EXPECT_EQ(still.sparks().size(), 30u);
    EXPECT_EQ(still.sparks().front().life(), 0);
    still.update(10);
    EXPECT_EQ(still.sparks().size(), 30u);
    EXPECT_EQ(still.sparks().front().life(), 0);
}

TEST_F(BallTest, SideWallTickEmitsNoSparkAndFreezesTheTrail) {
    // 100 px moving 5 px a tick: ticks 1..13 emit, tick 14 (new x 170 px) rebounds.
    Ball ball(px(100), px(100), 0x8000, 0, 0x2000, Ball::Fire);
    for (int tick = 1; tick <= 13; ++tick) ball.update(10);
    ASSERT_EQ(ball.sparks().size(), 13u);
    EXPECT_EQ(ball.sparks().front().life(), 170);
    ball.update(10);
    EXPECT_EQ(ball.x(), px(166));
    EXPECT_EQ(ball.sparks().size(), 13u);
    EXPECT_EQ(ball.sparks().front().life(), 170);
    ball.update(10);
    EXPECT_EQ(ball.x(), px(161));
    EXPECT_EQ(ball.sparks().size(), 14u);
    EXPECT_EQ(ball.sparks().front().life(), 160);
}

TEST_F(BallTest, HeldBallStandsStillAndHidesItsSparks) {
    Canvas canvas;
    Ball ball(px(60), px(100), 0x1000, -0x1000, 0x2000, Ball::Fire);
    ball.update(10);
    ball.update(10);
    ASSERT_EQ(ball.sparks().size(), 2u);
    ball.setHeld(true);
    const Fixed x = ball.x(), y = ball.y();
    ball.update(10);
    EXPECT_EQ(ball.x(), x);
    EXPECT_EQ(ball.y(), y);
    EXPECT_EQ(ball.frame(), 2);
    EXPECT_EQ(ball.sparks().front().life(), 280);

    // Drawing the held ball shows the sprite and no sparks (which would take colour draws).
    RandomMirror mirror(kSeed);
    for (int i = 0; i < 8; ++i) mirror.next();  // the two ticks' spark draws
    ball.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(wholePixels(x) + 4, wholePixels(y) + 4),
              sheetPixel(Ball::ballImage(), 4, 8 + 4));
    const int afterHeldDraw = platform::nextRandom();
    EXPECT_EQ(afterHeldDraw, mirror.next());
    ball.setHeld(false);
    ball.draw(&canvas);  // two sparks, five colours each
    for (int i = 0; i < 10; ++i) mirror.next();
    EXPECT_EQ(platform::nextRandom(), mirror.next());
}

TEST_F(BallTest, CornerReboundMirrorsAboutADiagonal) {
    auto rebound = [](Fixed vx, Fixed vy, int32_t kind) {
        Ball ball(px(50), px(50), vx, vy, 0x2000, kind);
        ball.cornerRebound();
        return std::make_pair(ball.vx(), ball.vy());
    };
    using P = std::pair<Fixed, Fixed>;
    EXPECT_EQ(rebound(0x1000, 0x3000, Ball::Normal), P(-0x3000, -0x1000));
    EXPECT_EQ(rebound(0x0800, 0x3000, Ball::Normal), P(-0x0800, -0x3000));
    EXPECT_EQ(rebound(0x1000, -0x3000, Ball::Normal), P(-0x3000, 0x1000));
    EXPECT_EQ(rebound(-0x1000, -0x3000, Ball::Fire), P(0x3000, 0x1000));
    EXPECT_EQ(rebound(0x3000, 0x0800, Ball::Normal), P(-0x3000, -0x0800));
    // Quotient exactly 3 is not "mostly along one axis".
    EXPECT_EQ(rebound(0x3000, 0x1000, Ball::Normal), P(-0x1000, -0x3000));
    // A zero component counts as motion along the other axis.
    EXPECT_EQ(rebound(0x2000, 0, Ball::Normal), P(-0x2000, 0));
    for (const P& v : {P(0x1000, 0x3000), P(0x0800, 0x3000), P(0x1000, -0x3000)}) {
        EXPECT_EQ(rebound(v.first, v.second, Ball::Thru), v);
    }

    Ball thru(px(50), px(50), 0x1000, -0x2000, 0x2000, Ball::Thru);
    thru.reverseX();
    thru.reverseY();
    EXPECT_EQ(thru.vx(), 0x1000);
    EXPECT_EQ(thru.vy(), -0x2000);
    Ball normal(px(50), px(50), 0x1000, -0x2000, 0x2000, Ball::Normal);
    normal.reverseX();
    normal.reverseY();
    EXPECT_EQ(normal.vx(), -0x1000);
    EXPECT_EQ(normal.vy(), 0x2000);
}

TEST_F(BallTest, SpeedUpAndSlowDownRescaleTheVelocity) {
    Ball ball(px(50), px(50), 0x1000, -0x1800, 0x2000, Ball::Normal);
    ball.speedUp();  // x 1.5
    EXPECT_EQ(ball.vx(), 0x1800);
    EXPECT_EQ(ball.vy(), -0x2400);
    EXPECT_EQ(ball.speed(), 0x3000);
    ball.speedUp();
    EXPECT_EQ(ball.vx(), 0x1800);
    EXPECT_EQ(ball.vy(), -0x2400);

    // Truncation toward zero: 4097 x 1.5 = 6145.5 and -6145.5.
    Ball odd(px(50), px(50), 4097, -4097, 0x2000, Ball::Normal);
    odd.speedUp();
    EXPECT_EQ(odd.vx(), 6145);
    EXPECT_EQ(odd.vy(), -6145);

    // From 0x3000 the divisor is 2: 3072.5 and -4608.5 truncate to 3072 and -4608.
    Ball fast(px(50), px(50), 0x1801, -0x2401, 0x3000, Ball::Normal);
    fast.slowDown();
    EXPECT_EQ(fast.vx(), 0xC00);
    EXPECT_EQ(fast.vy(), -0x1200);
    EXPECT_EQ(fast.speed(), 0x1800);

    // From 0x2000 the divisor is the float 4/3 (1.33333337): 4096 / it rounds to 3072.0 and
    // -6144 / it to -4608.0 in single precision.
    Ball normal(px(50), px(50), 0x1000, -0x1800, 0x2000, Ball::Normal);
    normal.slowDown();
    EXPECT_EQ(normal.vx(), 0xC00);
    EXPECT_EQ(normal.vy(), -0x1200);
}

TEST_F(BallTest, SheetIsSharedAndReleasedWithTheLastBall) {
    EXPECT_EQ(Ball::ballCount(), 0);
    EXPECT_EQ(Ball::ballImage(), nullptr);
    Ball* a = new Ball(0, 0, 0, 0, 0x2000, Ball::Normal);
    const Image* first = Ball::ballImage();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width, 32);
    EXPECT_EQ(first->height, 24);
    Ball* b = new Ball(0, 0, 0, 0, 0x2000, Ball::Fire);
    EXPECT_EQ(Ball::ballCount(), 2);
    EXPECT_EQ(Ball::ballImage(), first);
    delete a;
    EXPECT_EQ(Ball::ballImage(), first);
    delete b;
    EXPECT_EQ(Ball::ballCount(), 0);
    EXPECT_EQ(Ball::ballImage(), nullptr);
    Ball again(0, 0, 0, 0, 0x2000, Ball::Normal);
    ASSERT_NE(Ball::ballImage(), nullptr);
    EXPECT_EQ(Ball::ballImage()->width, 32);
}

TEST_F(BallTest, SparkMovesDecaysAndAges) {
    Spark spark(px(10), px(20), 0x800, -0x801, 300);
    spark.update(10);
    EXPECT_EQ(spark.x(), px(10) + 0x800);
    EXPECT_EQ(spark.y(), px(20) - 0x801);
    EXPECT_EQ(spark.vx(), 0x700);
    EXPECT_EQ(spark.vy(), -1792);  // -2049 - (-2049 >> 3) = -2049 + 257
    EXPECT_EQ(spark.life(), 290);
    for (int update = 2; update <= 30; ++update) spark.update(10);
    EXPECT_FALSE(spark.isDead());
    EXPECT_EQ(spark.life(), 0);
    spark.update(10);
    EXPECT_TRUE(spark.isDead());
    EXPECT_EQ(spark.life(), -10);
    spark.update(10);
    EXPECT_EQ(spark.life(), -10);

    Spark shortLived(0, 0, 0, 0, 200);
    for (int update = 1; update <= 20; ++update) shortLived.update(10);
    EXPECT_FALSE(shortLived.isDead());
    shortLived.update(10);
    EXPECT_TRUE(shortLived.isDead());
}

TEST_F(BallTest, SparkDrawsACrossOfRandomWarmColours) {
    EXPECT_EQ(Spark::sparkColours[0], 0x0000FFu);
    EXPECT_EQ(Spark::sparkColours[5], 0x0050FFu);
    EXPECT_EQ(Spark::sparkColours[15], 0x00F0FFu);

    Canvas canvas;
    RandomMirror mirror(kSeed);
    Spark spark(px(50), px(60), 0, 0, 10);
    spark.draw(&canvas);
    const int at[5][2] = {{50, 60}, {51, 60}, {49, 60}, {50, 61}, {50, 59}};
    for (const auto& p : at) {
        EXPECT_EQ(canvas.pixelAt(p[0], p[1]), toPixel(Spark::sparkColours[mirror.next() % 16]));
    }

    // Pixels off the canvas are skipped but still take their draw.
    Spark corner(0, 0, 0, 0, 10);
    corner.draw(&canvas);
    for (int i = 0; i < 5; ++i) mirror.next();
    EXPECT_EQ(platform::nextRandom(), mirror.next());

    // A dead spark draws nothing and takes no draw.
    Spark dead(px(100), px(100), 0, 0, -1);
    dead.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(100, 100), 0);
    EXPECT_EQ(platform::nextRandom(), mirror.next());
}

}  // namespace
