// Tests of the collisions: a ball's corners against the grid, what each hitter does to each
// brick, explosions and released items.
#include <typeinfo>

#include "entities/break_burst.h"
#include "entities/hit_burst.h"
#include "globals/globals.h"
#include "platform/headless/headless.h"
#include "tests/world/world_fixture.h"

namespace {

constexpr Fixed kSlow = 0x1000;
constexpr Fixed kFast = 0x3000;

int countBursts(const std::list<Effect*>& effects, bool breakBursts) {
    int n = 0;
    for (const Effect* effect : effects) {
        if (breakBursts ? dynamic_cast<const BreakBurst*>(effect) != nullptr
                        : dynamic_cast<const HitBurst*>(effect) != nullptr)
            ++n;
    }
    return n;
}

}  // namespace

class CollisionTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        startOnEmptyGrid();
    }
    // Metal bricks (two hits) show a hit as hp 2 -> 1.
    void metal(int column, int row) { access->setBrick(column, row, Brick::MetalKind); }
    int32_t hp(int column, int row) { return access->brick(column, row)->hp(); }
};

// Ball at (40, 45): L = 2, R = 3, K = 2; T = 4, B = 5, M = 4 (cells are written (row, column)).
TEST_F(CollisionTest, SingleTopLeftCornerKeepsOrTurnsByDirection) {
    metal(2, 4);
    Ball* ball = access->addBall(40, 45, -kSlow, -kSlow);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), -kSlow);  // moving into the corner with its centre in the cell
    EXPECT_EQ(ball->vy(), -kSlow);
    EXPECT_EQ(hp(2, 4), 1);

    metal(2, 4);
    ball->setVx(kSlow);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), kSlow);  // moving up and right: only vy turns
    EXPECT_EQ(ball->vy(), kSlow);
    EXPECT_EQ(hp(2, 4), 1);
}

TEST_F(CollisionTest, TwoCornersOnOneSideHitTheMiddleCellOnce) {
    // Rule 2: both top corners; only (T, K) = (4, 2) is hit.
    metal(2, 4);
    metal(3, 4);
    Ball* ball = access->addBall(40, 45, kSlow, -kFast);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 4), 1);
    EXPECT_EQ(hp(3, 4), 2);
    EXPECT_EQ(ball->vx(), kSlow);
    EXPECT_EQ(ball->vy(), kFast);

    // Rule 3: both bottom corners; (B, K) = (5, 2).
    access->emptyGrid();
    metal(2, 5);
    metal(3, 5);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 5), 1);
    EXPECT_EQ(hp(3, 5), 2);
    EXPECT_EQ(ball->vy(), -kFast);

    // Rule 4: both left corners; (M, L) = (4, 2), vx turns.
    access->emptyGrid();
    metal(2, 4);
    metal(2, 5);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 4), 1);
    EXPECT_EQ(hp(2, 5), 2);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), -kFast);

    // Rule 5: both right corners; (M, R) = (4, 3).
    access->emptyGrid();
    metal(3, 4);
    metal(3, 5);
    access->collideBall(ball);
    EXPECT_EQ(hp(3, 4), 1);
    EXPECT_EQ(hp(3, 5), 2);
    EXPECT_EQ(ball->vx(), kSlow);
}

TEST_F(CollisionTest, DiagonalCornersHitTwoCellsAndTurnBoth) {
    // Rule 6: TL and BR.
    metal(2, 4);
    metal(3, 5);
    Ball* ball = access->addBall(40, 45, kSlow, -kFast);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 4), 1);
    EXPECT_EQ(hp(3, 5), 1);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), kFast);

    // All four corners: still rule 6, the other diagonal untouched.
    access->emptyGrid();
    metal(2, 4);
    metal(3, 4);
    metal(2, 5);
    metal(3, 5);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 4), 1);
    EXPECT_EQ(hp(3, 5), 1);
    EXPECT_EQ(hp(3, 4), 2);
    EXPECT_EQ(hp(2, 5), 2);
    EXPECT_EQ(ball->vx(), kSlow);
    EXPECT_EQ(ball->vy(), -kFast);

    // Rule 7: TR and BL, hit in that order.
    access->emptyGrid();
    metal(3, 4);
    metal(2, 5);
    access->collideBall(ball);
    EXPECT_EQ(hp(3, 4), 1);
    EXPECT_EQ(hp(2, 5), 1);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), kFast);
}

TEST_F(CollisionTest, SingleCornerTable) {
    // TL, moving into the corner with its centre at (B, R): x = 44 gives K = R = 3, y = 47
    // gives M = B = 5; cornerRebound of (-0x1000, -0x3000) gives (0x3000, 0x1000).
    metal(2, 4);
    Ball* ball = access->addBall(44, 47, -kSlow, -kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), kFast);
    EXPECT_EQ(ball->vy(), kSlow);
    EXPECT_EQ(hp(2, 4), 1);

    // TR (cell (4, 3)) from x = 40, y = 47: centre at (B, L); moving up and right into the
    // corner, cornerRebound of (0x1000, -0x3000) gives (-0x3000, 0x1000).
    access->emptyGrid();
    metal(3, 4);
    ball->setX(fx(40));
    ball->setY(fx(47));
    ball->setVx(kSlow);
    ball->setVy(-kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), -kFast);
    EXPECT_EQ(ball->vy(), kSlow);
    EXPECT_EQ(hp(3, 4), 1);

    // TR from y = 45: centre at (T, L), beside the cell: vx turns.
    metal(3, 4);
    ball->setY(fx(45));
    ball->setVx(kSlow);
    ball->setVy(-kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), -kFast);

    // BL (cell (5, 2)) met moving down and right: vy turns.
    access->emptyGrid();
    metal(2, 5);
    ball->setVx(kSlow);
    ball->setVy(kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), kSlow);
    EXPECT_EQ(ball->vy(), -kFast);
    EXPECT_EQ(hp(2, 5), 1);

    // BR (cell (5, 3)) met moving up and right: vx turns.
    access->emptyGrid();
    metal(3, 5);
    ball->setVx(kSlow);
    ball->setVy(-kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), -kFast);
    EXPECT_EQ(hp(3, 5), 1);

    // BR moving away (up and left): velocity kept, the cell hit all the same.
    ball->setVx(-kSlow);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), -kFast);
    EXPECT_EQ(hp(3, 5), 0);

    // Straight up into TL with the centre below it at (B, L): "into the corner" includes
    // vx = 0, so vy turns.
    access->emptyGrid();
    metal(2, 4);
    ball->setX(fx(40));
    ball->setY(fx(47));
    ball->setVx(0);
    ball->setVy(-kFast);
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), 0);
    EXPECT_EQ(ball->vy(), kFast);

    // Straight down onto BR with the centre at (T, R): for BR only a ball moving right and
    // down counts as moving into the corner, so nothing turns.
    access->emptyGrid();
    metal(3, 5);
    ball->setX(fx(44));
    ball->setY(fx(45));
    access->collideBall(ball);
    EXPECT_EQ(ball->vx(), 0);
    EXPECT_EQ(ball->vy(), kFast);
    EXPECT_EQ(hp(3, 5), 1);
}

TEST_F(CollisionTest, BottomRowLimitsAndTheDoubleHit) {
    // y + 8 = 160 is below the grid: no test at all.
    metal(2, 15);
    Ball* ball = access->addBall(32, 152, kSlow, -kFast);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 15), 2);
    EXPECT_EQ(ball->vy(), -kFast);

    // y = 151: T = B = 15 and x = 32 lies within column 2: all four corners are one cell,
    // which rule 6 hits twice. A Metal brick breaks at once (40 points, once).
    ball->setY(fx(151));
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 15), 0);
    EXPECT_EQ(score(), 40);
    EXPECT_EQ(countBursts(access->effects(), false), 1);
    EXPECT_EQ(countBursts(access->effects(), true), 1);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), kFast);

    // A Stone brick broken by the first hit: the second adds another BreakBurst and releases
    // the hidden item again; the points come once.
    access->setBrick(2, 15, Brick::StoneKind);
    access->cell(2, 15).hiddenItem = Item::FastBall;
    access->collideBall(ball);
    EXPECT_EQ(score(), 60);
    EXPECT_EQ(countBursts(access->effects(), true), 3);
    ASSERT_EQ(access->items().size(), 2u);
    EXPECT_EQ(access->items().front()->kind(), Item::FastBall);
    EXPECT_EQ(access->items().back()->kind(), Item::FastBall);

    // Spanning columns 2 and 3 with only the left cell present: rule 4, only vx turns.
    access->setBrick(2, 15, Brick::MetalKind);
    ball->setX(fx(40));
    ball->setVx(kSlow);
    ball->setVy(-kFast);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 15), 1);
    EXPECT_EQ(ball->vx(), -kSlow);
    EXPECT_EQ(ball->vy(), -kFast);
}

TEST_F(CollisionTest, ThruBallPassesThroughDestroying) {
    metal(2, 4);
    metal(3, 4);
    Ball* ball = access->addBall(40, 45, kSlow, -kFast, Ball::Thru);
    access->collideBall(ball);
    EXPECT_EQ(hp(2, 4), 0);  // (T, K) destroyed outright
    EXPECT_EQ(hp(3, 4), 2);
    EXPECT_EQ(ball->vx(), kSlow);
    EXPECT_EQ(ball->vy(), -kFast);
    EXPECT_EQ(score(), 40);
}

TEST_F(CollisionTest, HitCellByHitterAndKind) {
    // A bullet: an ordinary strike on a Metal brick, an explosion on a Fire brick.
    metal(5, 5);
    access->hitCell(5, 5, nullptr);
    EXPECT_EQ(hp(5, 5), 1);
    EXPECT_EQ(countBursts(access->effects(), false), 1);

    access->setBrick(5, 5, Brick::FireKind);
    metal(6, 5);
    access->hitCell(5, 5, nullptr);
    EXPECT_EQ(hp(5, 5), 0);
    EXPECT_EQ(hp(6, 5), 0);  // its neighbour went with it
    EXPECT_EQ(score(), 80 + 40);
    EXPECT_EQ(countBursts(access->effects(), true), 1);  // only the Metal shows a BreakBurst

    // A Normal ball: a Fire brick is only destroyed (its blast explodes it later).
    access->setBrick(5, 5, Brick::FireKind);
    metal(6, 5);
    Ball* normal = access->addBall(0, 180, 0, 0, Ball::Normal);
    access->hitCell(5, 5, normal);
    EXPECT_EQ(hp(5, 5), 0);
    EXPECT_EQ(hp(6, 5), 2);
    access->hitCell(6, 5, normal);
    EXPECT_EQ(hp(6, 5), 1);

    // A Fire ball explodes whatever it hits, a Stable brick included.
    access->setBrick(5, 5, Brick::StableKind);
    metal(6, 5);
    metal(5, 6);
    Ball* fire = access->addBall(0, 180, 0, 0, Ball::Fire);
    access->hitCell(5, 5, fire);
    EXPECT_EQ(hp(5, 5), 0);
    EXPECT_EQ(hp(6, 5), 0);
    EXPECT_EQ(hp(5, 6), 0);

    // A Thru ball destroys only the cell it touches.
    metal(5, 5);
    metal(6, 5);
    Ball* thru = access->addBall(0, 180, 0, 0, Ball::Thru);
    access->hitCell(5, 5, thru);
    EXPECT_EQ(hp(5, 5), 0);
    EXPECT_EQ(hp(6, 5), 2);
}

TEST_F(CollisionTest, StrikeGemAndReleaseItem) {
    access->setBrick(3, 2, Brick::GemKind);
    access->cell(3, 2).hiddenItem = Item::ExtraLife;
    access->strikeCell(3, 2);
    EXPECT_EQ(access->brick(3, 2)->hp(), 2);
    EXPECT_EQ(countBursts(access->effects(), false), 1);
    EXPECT_TRUE(access->items().empty());
    access->strikeCell(3, 2);
    EXPECT_EQ(score(), 0);

    RandomMirror random{kSeed};
    // Two HitBursts took 10 draws each (two per spark); the BreakBurst takes 40 (four per
    // spark) before the item's two.
    for (int n = 0; n < 60; ++n) random.next();
    const Fixed vx = (random.next() - 0x3FFF) >> 1;
    const Fixed vy = (random.next() - 0x3FFF) >> 1;
    access->strikeCell(3, 2);
    EXPECT_EQ(score(), 60);
    EXPECT_EQ(countBursts(access->effects(), true), 1);
    ASSERT_EQ(access->items().size(), 1u);
    const Item* item = access->items().front();
    EXPECT_EQ(item->kind(), Item::ExtraLife);
    EXPECT_EQ(item->x(), fx(46));  // 16 x 3 - 2
    EXPECT_EQ(item->y(), fx(15));  // 10 x 2 - 5
    EXPECT_EQ(item->vx(), vx);
    EXPECT_EQ(item->vy(), vy);
    EXPECT_EQ(access->cell(3, 2).hiddenItem, Item::ExtraLife);  // keeps its value
}

TEST_F(CollisionTest, HitSoundOnlyWhenEffectsAudible) {
    // A minimal 8-bit mono WAV: 44-byte header, 4 samples.
    std::vector<uint8_t> wav = {'R',  'I',  'F', 'F', 40,   0,    0, 0, 'W', 'A', 'V', 'E',
                                'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   1,   0,
                                0x22, 0x56, 0,   0,   0x22, 0x56, 0, 0, 1,   0,   8,   0,
                                'd',  'a',  't', 'a', 4,    0,    0, 0, 128, 128, 128, 128};
    writeFile("hit.wav", wav);
    playfield.reset();
    startOnEmptyGrid();
    auto plays = [] {
        int n = 0;
        for (const std::string& line : platform::headless::traceLines())
            if (line.find("sound hit.wav play") != std::string::npos) ++n;
        return n;
    };
    muted = true;
    metal(1, 1);
    access->strikeCell(1, 1);
    EXPECT_EQ(plays(), 0);
    muted = false;
    soundOn = false;
    access->strikeCell(1, 1);
    EXPECT_EQ(plays(), 0);
    soundOn = true;
    metal(1, 1);
    access->strikeCell(1, 1);
    EXPECT_EQ(plays(), 1);
    // Smashing a brick is silent.
    metal(2, 1);
    platform::headless::advance(1000);
    access->smashCell(2, 1);
    EXPECT_EQ(plays(), 1);
}

TEST_F(CollisionTest, ExplosionsReachNeighboursInOrder) {
    // At (0, 0) only the cell, its right, down and down-right neighbours are inside.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) metal(column, row);
    access->explodeCell(0, 0);
    EXPECT_EQ(hp(0, 0), 0);
    EXPECT_EQ(hp(1, 0), 0);
    EXPECT_EQ(hp(0, 1), 0);
    EXPECT_EQ(hp(1, 1), 0);
    EXPECT_EQ(hp(2, 0), 2);
    EXPECT_EQ(hp(0, 2), 2);
    EXPECT_EQ(hp(2, 2), 2);
    EXPECT_EQ(countBursts(access->effects(), true), 4);
    access->explodeCell(-1, 0);  // outside the grid: nothing
    access->explodeCell(0, 16);
    EXPECT_EQ(hp(0, 2), 2);

    // Items come out in the order the neighbours are visited: left, up, right, down,
    // up-left, up-right, down-left, down-right.
    access->emptyGrid();
    const int order[8][2] = {{4, 5}, {5, 4}, {6, 5}, {5, 6}, {4, 4}, {6, 4}, {4, 6}, {6, 6}};
    access->setBrick(5, 5, Brick::StoneKind);
    for (int n = 0; n < 8; ++n) {
        access->setBrick(order[n][0], order[n][1], Brick::StoneKind);
        access->cell(order[n][0], order[n][1]).hiddenItem = n + 1;
    }
    access->explodeCell(5, 5);
    ASSERT_EQ(access->items().size(), 8u);
    int expected = 1;
    for (const Item* item : access->items()) EXPECT_EQ(item->kind(), expected++);
    EXPECT_EQ(score(), 4 * 40 + 9 * 20);
}
