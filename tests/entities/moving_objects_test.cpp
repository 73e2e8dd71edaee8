// Bullets, items and the two spark bursts.
#include <memory>
#include <vector>

#include "entities/break_burst.h"
#include "entities/bullet.h"
#include "entities/hit_burst.h"
#include "entities/item.h"
#include "entities/spark.h"
#include "entity_fixture.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "platform/random.h"

namespace {

class MovingObjectsTest : public EntityTest {
  protected:
    void TearDown() override {
        presentation() = Presentation{};
        EntityTest::TearDown();
    }
};

TEST_F(MovingObjectsTest, BulletRisesTwoAndAHalfPixelsATick) {
    Bullet low(px(10), px(2));
    low.update(10);
    EXPECT_EQ(low.y(), -0x8000);
    EXPECT_EQ(low.bottom(), 0x58000);  // 5.5 px: still on screen
    EXPECT_EQ(low.centerX(), 0xB8000);
    Bullet high(px(10), -px(4));
    high.update(10);
    EXPECT_EQ(high.y(), -0x68000);
    EXPECT_EQ(high.bottom(), -0x8000);  // above the screen

    Canvas canvas;
    Bullet shown(px(20), px(30));
    shown.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(21, 33), sheetPixel(Bullet::bulletImage(), 1, 3));
    EXPECT_EQ(canvas.pixelAt(23, 33), 0);

    EXPECT_EQ(Bullet::bulletCount(), 3);
    {
        Bullet extra(0, 0);
        EXPECT_EQ(Bullet::bulletCount(), 4);
    }
    EXPECT_NE(Bullet::bulletImage(), nullptr);
}

TEST_F(MovingObjectsTest, BulletSheetGoesWithTheLastBullet) {
    EXPECT_EQ(Bullet::bulletImage(), nullptr);
    auto bullet = std::make_unique<Bullet>(0, 0);
    EXPECT_NE(Bullet::bulletImage(), nullptr);
    bullet.reset();
    EXPECT_EQ(Bullet::bulletImage(), nullptr);
    EXPECT_EQ(Bullet::bulletCount(), 0);
}

TEST_F(MovingObjectsTest, ItemDriftsFallsAndRebounds) {
    Item drifting(px(50), px(20), 0, -4000, Item::FastBall);
    drifting.update(10);
    EXPECT_EQ(drifting.y(), px(20) - 40000);
    EXPECT_EQ(drifting.vy(), -3872);
    EXPECT_EQ(drifting.x(), px(50));
    EXPECT_EQ(drifting.right(), px(70));
    EXPECT_EQ(drifting.bottom(), px(20) - 40000 + px(20));

    // New y -2 px: 2 px, with the already pulled vy negated.
    Item top(px(50), px(3), 0, -0x8000, Item::FastBall);
    top.update(10);
    EXPECT_EQ(top.y(), px(2));
    EXPECT_EQ(top.vy(), 0x8000 - 128);

    // New x 160 px: 312 - 160 = 152 px.
    Item right(px(150), px(100), 0x10000, 0, Item::FastBall);
    right.update(10);
    EXPECT_EQ(right.x(), px(152));
    EXPECT_EQ(right.vx(), -0x10000);
    EXPECT_EQ(right.y(), px(100));
    EXPECT_EQ(right.vy(), 128);

    Item left(px(2), px(100), -0x8000, 0, Item::FastBall);
    left.update(10);
    EXPECT_EQ(left.x(), px(3));
    EXPECT_EQ(left.vx(), 0x8000);

    // The pull is added once per update, whatever the step.
    Item falling(px(50), px(100), 0, 0, Item::FastBall);
    falling.update(10);
    falling.update(20);
    EXPECT_EQ(falling.vy(), 256);
    EXPECT_EQ(falling.y(), px(100) + 20 * 128);
}

TEST_F(MovingObjectsTest, ItemIconsComeFromTwoRowsOfSeven) {
    const int source[][3] = {{Item::BulletBoard, 0, 0},
                             {Item::KillLife, 120, 0},
                             {Item::NextLevel, 0, 20},
                             {Item::SplitBall, 60, 20},
                             {Item::ZapBrick, 120, 20}};
    for (const auto& s : source) {
        Canvas canvas;
        Item item(px(10), px(10), 0, 0, s[0]);
        item.draw(&canvas);
        EXPECT_EQ(canvas.pixelAt(15, 17), sheetPixel(Item::itemImage(), s[1] + 5, s[2] + 7))
            << "kind " << s[0];
        EXPECT_EQ(canvas.pixelAt(29, 29), sheetPixel(Item::itemImage(), s[1] + 19, s[2] + 19));
    }
    Canvas canvas;
    Item none(px(10), px(10), 0, 0, 0);
    none.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(15, 17), 0);
}

TEST_F(MovingObjectsTest, HitBurstThrowsFiveSparksFromOnePixel) {
    RandomMirror mirror(kSeed);
    HitBurst burst(px(40), px(45));
    ASSERT_EQ(burst.sparks().size(), 5u);
    for (const Spark& spark : burst.sparks()) {
        const int r1 = mirror.next();
        const int r2 = mirror.next();
        EXPECT_EQ(spark.x(), px(40));
        EXPECT_EQ(spark.y(), px(45));
        EXPECT_EQ(spark.vx(), (r1 - 16383) * 8);
        EXPECT_EQ(spark.vy(), (r2 - 16383) * 8);
        EXPECT_EQ(spark.life(), 200);
    }
    for (int update = 1; update <= 20; ++update) burst.update(10);
    EXPECT_FALSE(burst.isFinished());
    burst.update(10);
    EXPECT_TRUE(burst.isFinished());
    EXPECT_EQ(burst.sparks().size(), 5u);
}

TEST_F(MovingObjectsTest, BreakBurstScattersTenSparksOverTheBrick) {
    RandomMirror mirror(kSeed);
    BreakBurst burst(px(40), px(45));
    ASSERT_EQ(burst.sparks().size(), 10u);
    for (const Spark& spark : burst.sparks()) {
        const int r1 = mirror.next();
        const int r2 = mirror.next();
        const int r3 = mirror.next();
        const int r4 = mirror.next();
        EXPECT_EQ(spark.vx(), (r1 - 16383) * 8);
        EXPECT_EQ(spark.vy(), (r2 - 16383) * 8);
        EXPECT_EQ(spark.x(), px(40) + px(r4 % 16 - 8));
        EXPECT_EQ(spark.y(), px(45) + px(r3 % 10 - 5));
        EXPECT_GE(spark.x(), px(32));
        EXPECT_LE(spark.x(), px(47));
        EXPECT_GE(spark.y(), px(40));
        EXPECT_LE(spark.y(), px(49));
        EXPECT_EQ(spark.life(), 200);
    }

    // While alive the sparks take five colour draws each; once finished, none.
    Canvas canvas;
    burst.draw(&canvas);
    for (int i = 0; i < 50; ++i) mirror.next();
    for (int update = 1; update <= 20; ++update) burst.update(10);
    EXPECT_FALSE(burst.isFinished());
    burst.update(10);
    EXPECT_TRUE(burst.isFinished());
    burst.draw(&canvas);
    EXPECT_EQ(platform::nextRandom(), mirror.next());
}

// Either look draws an item as a shape of its own kind: fourteen outlines, no two alike, so a
// player who cannot tell the colours apart can tell the kinds. The default look keeps the
// capsule (ItemIconsComeFromTwoRowsOfSeven).
TEST_F(MovingObjectsTest, EitherLookGivesEachItemKindItsOwnShape) {
    for (const bool highContrast : {true, false}) {
        presentation().highContrast = highContrast;
        presentation().flashSafe = !highContrast;
        std::vector<std::vector<bool>> shapes;
        for (int32_t kind = 1; kind <= Item::kKindCount; ++kind) {
            Canvas canvas;  // all black, a colour no stand-in sheet pixel has but (0, 0)
            Item(px(10), px(10), 0, 0, kind).draw(&canvas);
            std::vector<bool> shape;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) shape.push_back(canvas.pixelAt(x, y) != 0);
            // Inside the item's 20 x 20 square, and more than a speck.
            int inside = 0, outside = 0;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 40; ++x) {
                    const bool in = x >= 10 && x < 30 && y >= 10 && y < 30;
                    (in ? inside : outside) += shape[y * 40 + x];
                }
            }
            EXPECT_EQ(outside, 0) << "kind " << kind;
            EXPECT_GT(inside, 150) << "kind " << kind;
            for (size_t other = 0; other < shapes.size(); ++other)
                EXPECT_NE(shapes[other], shape) << "kinds " << other + 1 << " and " << kind;
            shapes.push_back(shape);
        }
    }
}

// Sparks take their five colour draws whatever the look, shown or not: a look never moves the
// generator differently.
TEST_F(MovingObjectsTest, SparksTakeTheSameDrawsInEveryLook) {
    for (const bool flashSafe : {false, true}) {
        presentation().flashSafe = flashSafe;
        presentation().highContrast = !flashSafe;
        globals->restart(kSeed);
        RandomMirror mirror(kSeed);
        HitBurst burst(px(1), px(45));  // a spark at the left edge: one arm off the frame
        for (int i = 0; i < 10; ++i) mirror.next();
        Canvas canvas;
        burst.draw(&canvas);
        for (int i = 0; i < 25; ++i) mirror.next();
        Spark(px(-5), px(-5), 0, 0, 10).draw(&canvas);  // wholly off the frame: still five
        for (int i = 0; i < 5; ++i) mirror.next();
        EXPECT_EQ(platform::nextRandom(), mirror.next()) << "flash-safe " << flashSafe;
    }
}

}  // namespace
