// Tests of the play screen drawing: layer order and the status line, checked at chosen pixels
// with plain test pictures in place of the artwork.
#include <functional>

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "platform/bitmap.h"
#include "tests/world/world_fixture.h"

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// A 24-bit bottom-up BMP whose pixel (x, y) (top row first) is colour(x, y).
std::vector<uint8_t> makeBmp(int width, int height, const std::function<Rgb(int, int)>& colour) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(stride * height);
    const uint32_t fileSize = 54 + imageSize;
    std::vector<uint8_t> file;
    auto put16 = [&](uint32_t v) {
        for (int i = 0; i < 2; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    file.push_back('B');
    file.push_back('M');
    put32(fileSize);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<uint32_t>(width));
    put32(static_cast<uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(imageSize);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int y = height - 1; y >= 0; --y) {
        int written = 0;
        for (int x = 0; x < width; ++x, written += 3) {
            const Rgb c = colour(x, y);
            file.push_back(c.b);
            file.push_back(c.g);
            file.push_back(c.r);
        }
        for (; written < stride; ++written) file.push_back(0);
    }
    return file;
}

std::vector<uint8_t> solid(int width, int height, Rgb c) {
    return makeBmp(width, height, [c](int, int) { return c; });
}

uint16_t pixel(Rgb c) {
    return toPixel(c.r, c.g, c.b);
}

constexpr Rgb kBackground{0x10, 0x20, 0x60};
constexpr Rgb kStatus{0x80, 0x80, 0x80};
constexpr Rgb kBall{0xF0, 0xF0, 0x00};
constexpr Rgb kPaddle{0x00, 0xF0, 0x00};
constexpr Rgb kStone{0xE8, 0x38, 0x38};
constexpr Rgb kItem{0xE0, 0x40, 0xE0};
constexpr Rgb kBullet{0x30, 0xC0, 0xF0};
constexpr Rgb kEffect{0xF8, 0xA0, 0x10};
constexpr int kEffectPicture = 990;  // not one of the game's pictures

// An effect that covers a 6 x 10 patch of the test picture.
class Patch : public Effect {
  public:
    Patch(double x, double y, const Image* picture) : Effect(fx(x), fx(y)), picture_(picture) {}
    void draw(Canvas* canvas) const override {
        canvas->drawImage(x_, y_, px(6), px(10), picture_, 0, 0, NO_KEY);
    }

  private:
    const Image* picture_;
};
// Each glyph cell of the digit strip in its own colour.
Rgb digit(int cell) {
    return Rgb{0xF8, static_cast<uint8_t>(0x20 + 0x10 * cell), 0x00};
}

}  // namespace

class DrawingTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        platform::addResource(resource::kPlayBackground, solid(176, 220, kBackground));
        platform::addResource(resource::kStatusBar, solid(176, 20, kStatus));
        platform::addResource(resource::kSmallDigits,
                              makeBmp(128, 12, [](int x, int) { return digit(x / 8); }));
        platform::addResource(resource::kBalls, solid(32, 24, kBall));
        platform::addResource(resource::kPaddle, solid(50, 18, kPaddle));
        platform::addResource(resource::kStoneBricks, solid(16, 100, kStone));
        platform::addResource(resource::kItems, solid(140, 40, kItem));
        platform::addResource(resource::kBullet, solid(3, 6, kBullet));
        platform::addResource(kEffectPicture, solid(6, 10, kEffect));
        globals.emplace(kSeed);  // again, for the score counter from the test strip
    }
    // The artwork back for the tests that follow.
    void TearDown() override {
        WorldTest::TearDown();
        for (int id : {106, 164, 115, 152, 153, 160, 162, 154, kEffectPicture})
            platform::removeResource(id);
    }
};

TEST_F(DrawingTest, FrameAfterStartLevel) {
    std::vector<int32_t> cells(3 * 176, 0);
    cells[0] = 10;  // Stone bricks in row 0, columns 0 and 1
    cells[1] = 10;
    writeBrickMap(cells);
    makePlayfield();
    playfield->newGame();
    playfield->startLevel();
    Canvas canvas;
    playfield->draw(&canvas);

    EXPECT_EQ(canvas.pixelAt(100, 100), pixel(kBackground));
    EXPECT_EQ(canvas.pixelAt(5, 5), pixel(kStone));
    EXPECT_EQ(canvas.pixelAt(40, 5), pixel(kBackground));  // column 2 is empty
    EXPECT_EQ(canvas.pixelAt(91, 189), pixel(kBall));      // the held ball at (88, 186)
    EXPECT_EQ(canvas.pixelAt(80, 196), pixel(kPaddle));    // the bar from x = 70.5 at y = 194
    EXPECT_EQ(canvas.pixelAt(2, 202), pixel(kStatus));
    EXPECT_EQ(canvas.pixelAt(20, 206), pixel(digit(0)));   // score 0 at (18, 204)
    EXPECT_EQ(canvas.pixelAt(108, 206), pixel(digit(3)));  // lives 3 at (106, 204)
    EXPECT_EQ(canvas.pixelAt(149, 206), pixel(digit(1)));  // level 1 at (147, 204)
    EXPECT_EQ(canvas.pixelAt(26, 206), pixel(kStatus));    // one digit only
}

TEST_F(DrawingTest, LayersAndStatusNumbers) {
    startOnEmptyGrid();
    access->setBrick(1, 0, Brick::StoneKind);
    access->addBall(18, 2, 0, 0);                    // under the brick of column 1
    access->addItem(50, 190, 0, 0, Item::FastBall);  // reaching into the status line
    scoreCounter->setValue(1230);
    Canvas canvas;
    playfield->draw(&canvas);

    EXPECT_EQ(canvas.pixelAt(20, 4), pixel(kStone));  // the brick hides the ball
    EXPECT_EQ(canvas.pixelAt(55, 195), pixel(kItem));
    EXPECT_EQ(canvas.pixelAt(55, 205), pixel(kStatus));  // the status line covers the item
    // 1230 occupies x 18 to 49.
    EXPECT_EQ(canvas.pixelAt(18, 206), pixel(digit(1)));
    EXPECT_EQ(canvas.pixelAt(26, 206), pixel(digit(2)));
    EXPECT_EQ(canvas.pixelAt(49, 206), pixel(digit(0)));
    EXPECT_EQ(canvas.pixelAt(50, 206), pixel(kStatus));

    for (int n = 0; n < 7; ++n) access->applyItem(Item::ExtraLife);
    playfield->draw(&canvas);
    // Lives 10 occupies x 106 to 121.
    EXPECT_EQ(canvas.pixelAt(106, 206), pixel(digit(1)));
    EXPECT_EQ(canvas.pixelAt(121, 206), pixel(digit(0)));
    EXPECT_EQ(canvas.pixelAt(122, 206), pixel(kStatus));
}

// Each layer is laid over the one drawn before it, and each pair is checked where the two
// overlap: paddle, balls, bullets, bricks, items, effects, the status line, its numbers.
TEST_F(DrawingTest, EveryLayerCoversTheOneBelowIt) {
    startOnEmptyGrid();  // the paddle at x 70.5 to 105.5, top at y 194
    const Image effectPicture(instanceHandle, kEffectPicture);
    access->setBrick(3, 4, Brick::StoneKind);  // x 48 to 63, y 40 to 49
    access->setBrick(6, 6, Brick::StoneKind);  // x 96 to 111, y 60 to 69
    access->addBall(74, 192, 0, 0);            // on the paddle
    access->addBall(20, 120, 0, 0);
    access->bullets().push_back(new Bullet(fx(22), fx(121)));  // on the second ball
    access->bullets().push_back(new Bullet(fx(50), fx(42)));   // under the first brick
    access->addItem(98, 62, 0, 0, Item::FastBall);             // on the second brick
    access->addItem(130, 100, 0, 0, Item::FastBall);
    access->effects().push_back(new Patch(132, 102, &effectPicture));  // on that item
    access->effects().push_back(new Patch(150, 195, &effectPicture));  // into the status line
    Canvas canvas;
    playfield->draw(&canvas);

    EXPECT_EQ(canvas.pixelAt(90, 197), pixel(kPaddle));  // each layer where it lies alone
    EXPECT_EQ(canvas.pixelAt(26, 126), pixel(kBall));
    EXPECT_EQ(canvas.pixelAt(60, 47), pixel(kStone));
    EXPECT_EQ(canvas.pixelAt(108, 72), pixel(kItem));
    EXPECT_EQ(canvas.pixelAt(152, 197), pixel(kEffect));

    EXPECT_EQ(canvas.pixelAt(77, 197), pixel(kBall));     // ball over paddle
    EXPECT_EQ(canvas.pixelAt(23, 123), pixel(kBullet));   // bullet over ball
    EXPECT_EQ(canvas.pixelAt(51, 44), pixel(kStone));     // brick over bullet
    EXPECT_EQ(canvas.pixelAt(100, 64), pixel(kItem));     // item over brick
    EXPECT_EQ(canvas.pixelAt(134, 104), pixel(kEffect));  // effect over item
    EXPECT_EQ(canvas.pixelAt(152, 202), pixel(kStatus));  // status line over effect
    EXPECT_EQ(canvas.pixelAt(20, 206), pixel(digit(0)));  // score over status line
}
