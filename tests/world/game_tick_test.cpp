// Tests of the game step: item effects, lost lives, cleared levels, chain explosions, the paddle
// tests for balls and items, and the action key.
#include "tests/world/world_fixture.h"

namespace {
constexpr int kStep = 10;
constexpr Fixed kSlow = 0x1000;
}  // namespace

class TickTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        startOnEmptyGrid();
        // One countable brick far from everything, so the level is not won by accident.
        access->setBrick(10, 0, Brick::StoneKind);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) playfield->tick(kStep);
    }
};

TEST_F(TickTest, PaddleAndBallItems) {
    Paddle& paddle = access->paddle();
    access->applyItem(Item::ExpandBoard);
    EXPECT_EQ(paddle.width(), 0x320000);
    access->applyItem(Item::ShrinkBoard);
    access->applyItem(Item::ShrinkBoard);
    EXPECT_EQ(paddle.width(), 0x140000);
    access->applyItem(Item::BulletBoard);
    EXPECT_EQ(paddle.mode(), Paddle::Shoot);
    access->applyItem(Item::StickBoard);
    EXPECT_EQ(paddle.mode(), Paddle::Stick);
    EXPECT_EQ(score(), 500);

    // Speed and kind changes reach every ball, the held one included.
    Ball* held = access->balls().front();
    Ball* free = access->addBall(50, 100, 0x1000, -0x1800);
    access->applyItem(Item::FastBall);
    EXPECT_EQ(free->speed(), 0x3000);
    EXPECT_EQ(free->vx(), 0x1800);  // scaled by 0x3000 / 0x2000
    EXPECT_EQ(free->vy(), -0x2400);
    EXPECT_EQ(held->speed(), 0x3000);
    access->applyItem(Item::SlowBall);
    EXPECT_EQ(free->speed(), 0x1800);
    EXPECT_EQ(free->vx(), 0xC00);  // divided by 0x3000 / 0x1800 = 2
    EXPECT_EQ(free->vy(), -0x1200);
    access->applyItem(Item::FireBall);
    EXPECT_EQ(held->kind(), Ball::Fire);
    EXPECT_EQ(free->kind(), Ball::Fire);
    access->applyItem(Item::ThruBall);
    EXPECT_EQ(held->kind(), Ball::Thru);
    EXPECT_EQ(free->kind(), Ball::Thru);

    access->applyItem(0);  // an unknown kind only scores
    access->applyItem(15);
    EXPECT_EQ(score(), 1100);
}

TEST_F(TickTest, LifeLevelAndBrickItems) {
    access->applyItem(Item::ExtraLife);
    EXPECT_EQ(access->lives(), 4);
    EXPECT_EQ(access->livesShown(), 4);

    access->setBrick(3, 3, Brick::GemKind);
    access->setBrick(4, 3, Brick::StableKind);
    access->applyItem(Item::ZapBrick);
    EXPECT_EQ(access->brick(3, 3)->hp(), 1);
    EXPECT_EQ(access->brick(4, 3)->hp(), 1);
    EXPECT_EQ(access->brick(5, 3)->hp(), 0);  // an empty cell stays empty

    access->applyItem(Item::NextLevel);
    EXPECT_EQ(playfield->level(), 2);
    EXPECT_EQ(access->levelShown(), 2);
    EXPECT_TRUE(playfield->levelCleared());
    EXPECT_FALSE(playfield->gameOver());
    EXPECT_EQ(score(), 300);
}

TEST_F(TickTest, EightBallAndSplitBall) {
    // The held first ball and two free ones: EightBall adds seven, ten in all.
    Ball* first = access->balls().front();
    access->addBall(20, 100, 0x1000, -0x1000, Ball::Fire);
    access->addBall(30, 100, -0x1000, -0x1000);
    first->setKind(Ball::Thru);
    access->applyItem(Item::EightBall);
    auto& balls = access->balls();
    ASSERT_EQ(balls.size(), 10u);
    EXPECT_TRUE(first->held());
    EXPECT_EQ(first->speed(), 0x3000);
    EXPECT_EQ(first->vx(), 6270);
    EXPECT_EQ(first->vy(), 15136);
    const Fixed expected[7][2] = {{-6270, 15136}, {6270, -15136}, {-6270, -15136}, {15136, 6270},
                                  {-15136, 6270}, {15136, -6270}, {-15136, -6270}};
    auto it = std::next(balls.begin(), 3);
    for (int n = 0; n < 7; ++n, ++it) {
        const Ball* ball = *it;
        EXPECT_EQ(ball->x(), 0x580000) << n;
        EXPECT_EQ(ball->y(), 0xBA0000) << n;
        EXPECT_EQ(ball->vx(), expected[n][0]) << n;
        EXPECT_EQ(ball->vy(), expected[n][1]) << n;
        EXPECT_EQ(ball->speed(), 0x3000) << n;
        EXPECT_EQ(ball->kind(), Ball::Thru) << n;
        EXPECT_FALSE(ball->held()) << n;
    }
    EXPECT_EQ(access->paddle().heldBalls().size(), 1u);

    // SplitBall: three balls give six; the twin turns the velocity a quarter turn and a held
    // ball's twin is held too.
    access->removeAllBalls();
    playfield->startLevel();
    access->emptyGrid();
    access->setBrick(10, 0, Brick::StoneKind);
    Ball* heldBall = access->balls().front();
    access->addBall(20, 100, 0x1000, -0x3000, Ball::Fire, 0x3000);
    access->addBall(30, 90, -0x2000, 0x800);
    access->applyItem(Item::SplitBall);
    ASSERT_EQ(balls.size(), 6u);
    it = std::next(balls.begin(), 3);
    const Ball* heldTwin = *it++;
    const Ball* fireTwin = *it++;
    const Ball* normalTwin = *it;
    EXPECT_TRUE(heldTwin->held());
    EXPECT_EQ(heldTwin->x(), heldBall->x());
    EXPECT_EQ(heldTwin->y(), 0xBA0000);
    EXPECT_EQ(access->paddle().heldBalls().size(), 2u);
    EXPECT_EQ(fireTwin->vx(), 0x3000);
    EXPECT_EQ(fireTwin->vy(), 0x1000);
    EXPECT_EQ(fireTwin->speed(), 0x3000);
    EXPECT_EQ(fireTwin->kind(), Ball::Fire);
    EXPECT_EQ(fireTwin->x(), fx(20));
    EXPECT_EQ(fireTwin->y(), fx(100));
    EXPECT_FALSE(fireTwin->held());
    EXPECT_EQ(normalTwin->vx(), -0x800);
    EXPECT_EQ(normalTwin->vy(), -0x2000);

    // With no ball at all EightBall only scores.
    access->removeAllBalls();
    const int32_t before = score();
    access->applyItem(Item::EightBall);
    EXPECT_TRUE(balls.empty());
    EXPECT_EQ(score(), before + 100);
}

TEST_F(TickTest, LifeIsLostWhenTheExplosionEnds) {
    access->removeAllBalls();
    // Falls to 216.625 px in the first step and is gone.
    access->addBall(88, 216, 0, kSlow);
    ticks(1);
    EXPECT_TRUE(access->balls().empty());
    EXPECT_TRUE(access->paddle().destroyed());
    EXPECT_EQ(access->lives(), 3);
    // The explosion's 41st update comes with the 42nd step.
    ticks(40);
    EXPECT_EQ(access->lives(), 3);
    ticks(1);
    EXPECT_EQ(access->lives(), 2);
    EXPECT_EQ(access->livesShown(), 2);
    EXPECT_FALSE(playfield->gameOver());
    EXPECT_FALSE(access->paddle().destroyed());
    ASSERT_EQ(access->balls().size(), 1u);
    EXPECT_TRUE(access->balls().front()->held());
    EXPECT_EQ(access->balls().front()->x(), 0x580000);
    EXPECT_EQ(access->balls().front()->y(), 0xBA0000);

    // The last life: game over, nothing replaced.
    access->lives() = 1;
    access->removeAllBalls();
    ticks(42);
    EXPECT_EQ(access->lives(), 0);
    EXPECT_TRUE(playfield->gameOver());
    EXPECT_TRUE(access->balls().empty());
}

TEST_F(TickTest, KillLifeReplacesAllBallsButKeepsTheRest) {
    access->addBall(20, 100, 0, 0);
    access->addBall(60, 100, 0, 0);
    access->addItem(0, 20, 0, -0x4000, Item::FireBall);
    access->applyItem(Item::KillLife);
    EXPECT_TRUE(access->paddle().destroyed());
    ticks(40);
    EXPECT_EQ(access->lives(), 3);
    EXPECT_EQ(access->balls().size(), 3u);
    ticks(1);
    EXPECT_EQ(access->lives(), 2);
    ASSERT_EQ(access->balls().size(), 1u);
    EXPECT_TRUE(access->balls().front()->held());
    EXPECT_EQ(access->items().size(), 1u);
}

TEST_F(TickTest, ClearedLevels) {
    // Only Stable bricks left: won in the first step.
    access->setBrick(10, 0, Brick::StableKind);
    ticks(1);
    EXPECT_EQ(playfield->level(), 2);
    EXPECT_TRUE(playfield->levelCleared());
    EXPECT_FALSE(playfield->gameOver());

    // The third level won: level 4 with both flags.
    access->level() = 3;
    ticks(1);
    EXPECT_EQ(playfield->level(), 4);
    EXPECT_EQ(access->levelShown(), 4);
    EXPECT_TRUE(playfield->levelCleared());
    EXPECT_TRUE(playfield->gameOver());
}

TEST_F(TickTest, NextLevelCaughtAsTheLastBrickBreaksAdvancesTwo) {
    // A still ball in the top-left corner of a Stone brick (rule 8) breaks it in step 8; a
    // NextLevel item resting over the paddle is caught in step 10; step 14 finds no brick.
    access->setBrick(10, 0, Brick::EmptyKind);
    access->setBrick(2, 4, Brick::StoneKind);
    access->addBall(40, 45, 0, 0);
    access->addItem(70, 180, 0, 0, Item::NextLevel);
    ticks(1);
    EXPECT_EQ(playfield->level(), 3);
    EXPECT_TRUE(playfield->levelCleared());
    EXPECT_FALSE(playfield->gameOver());
    EXPECT_EQ(score(), 120);
}

TEST_F(TickTest, ItemsAgainstThePaddleLine) {
    // Beside the paddle (x 70.5 to 105.5) at y = 180 the item straddles y = 194 but is not
    // caught. Its y after n steps is 180 + 1280 n (n - 1) / 2 / 65536 px: 215.74 after 61
    // steps, 216.93 after 62, when it is removed.
    Item* beside = access->addItem(0, 180, 0, 0, Item::ExtraLife);
    ticks(61);
    ASSERT_EQ(access->items().size(), 1u);
    EXPECT_EQ(access->items().front(), beside);
    ticks(1);
    EXPECT_TRUE(access->items().empty());
    EXPECT_EQ(access->lives(), 3);
    EXPECT_EQ(score(), 0);

    // Right edge exactly at the paddle's left end: not caught; a 65536th further: caught.
    access->addItem(50.5, 180, 0, 0, Item::ExtraLife);
    ticks(1);
    ASSERT_EQ(access->items().size(), 1u);
    EXPECT_EQ(access->lives(), 3);
    delete access->items().front();
    access->items().clear();
    access->addItem(50.5 + 1.0 / 65536, 180, 0, 0, Item::ExtraLife);
    ticks(1);
    EXPECT_TRUE(access->items().empty());
    EXPECT_EQ(access->lives(), 4);
    EXPECT_EQ(score(), 100);
}

TEST_F(TickTest, BallsAgainstThePaddle) {
    // Centre exactly at the paddle's right end (105.5 px) after the step: bounced upwards.
    Ball* edge = access->addBall(101.5, 188, 0, 0x2000);
    // One pixel further right: falls past.
    Ball* past = access->addBall(102.5, 188, 0, 0x2000);
    ticks(1);
    EXPECT_LT(edge->vy(), 0);
    EXPECT_EQ(past->vy(), 0x2000);

    // A Stick paddle holds the ball where it meets it.
    access->paddle().setMode(Paddle::Stick);
    Ball* caught = access->addBall(80, 188, 0, 0x2000);
    ticks(1);
    EXPECT_TRUE(caught->held());
    EXPECT_EQ(caught->y(), 0xBA0000);
}

TEST_F(TickTest, BulletBeforeBallOnOneBrick) {
    // The bullet (centre 37.5 px, column 2) rises into row 4 and breaks the Stone in step 7;
    // the ball reaches (40, 45) in step 8 and finds the cell empty.
    access->setBrick(2, 4, Brick::StoneKind);
    access->bullets().push_back(new Bullet(fx(36), fx(47.5)));
    Ball* ball = access->addBall(40 - 0.625, 45 + 0.625, kSlow, -kSlow);
    ticks(1);
    EXPECT_TRUE(access->bullets().empty());
    EXPECT_FALSE(access->brick(2, 4)->isPresent());
    EXPECT_EQ(ball->x(), fx(40));
    EXPECT_EQ(ball->vx(), kSlow);
    EXPECT_EQ(ball->vy(), -kSlow);
    EXPECT_EQ(score(), 20);
}

TEST_F(TickTest, FireBricksExplodeStepByStep) {
    // A Normal ball breaks the Fire brick at (3, 5); its blast ends on the 64th step and
    // destroys the Fire brick beside it, whose own blast ends 64 steps later and takes the
    // Stone brick beyond.
    access->setBrick(3, 5, Brick::FireKind);
    access->setBrick(4, 5, Brick::FireKind);
    access->setBrick(5, 5, Brick::StoneKind);
    Ball* ball = access->addBall(0, 180, 0, 0);
    access->hitCell(3, 5, ball);
    EXPECT_FALSE(access->brick(3, 5)->isPresent());
    ticks(63);
    EXPECT_TRUE(access->brick(4, 5)->isPresent());
    ticks(1);
    EXPECT_FALSE(access->brick(4, 5)->isPresent());
    EXPECT_TRUE(access->brick(5, 5)->isPresent());
    ticks(63);
    EXPECT_TRUE(access->brick(5, 5)->isPresent());
    ticks(1);
    EXPECT_FALSE(access->brick(5, 5)->isPresent());
    EXPECT_EQ(score(), 80 + 80 + 20);
}

TEST_F(TickTest, ActionReleasesAndFires) {
    Paddle& paddle = access->paddle();
    playfield->action();
    EXPECT_TRUE(paddle.heldBalls().empty());
    EXPECT_TRUE(access->bullets().empty());  // a Normal paddle has no gun

    paddle.setMode(Paddle::Shoot);
    for (int n = 0; n < 5; ++n) access->bullets().push_back(new Bullet(0, fx(100)));
    playfield->action();
    ASSERT_EQ(access->bullets().size(), 7u);
    EXPECT_EQ(access->bullets().back()->x(), 0x468000 + 0x230000 - 0x30000);  // 102.5 px
    EXPECT_EQ(access->bullets().back()->y(), 0xC20000);
    EXPECT_EQ((*std::prev(access->bullets().end(), 2))->x(), 0x468000);

    delete access->bullets().back();
    access->bullets().pop_back();
    Ball* ball = access->balls().front();
    paddle.catchBall(ball);
    playfield->action();  // six in flight: no shot, but the ball goes
    EXPECT_EQ(access->bullets().size(), 6u);
    EXPECT_FALSE(ball->held());
}
