// Brick kinds, the fire brick's blast, shared sheets and the brick factory.
#include <cstring>
#include <fstream>
#include <memory>

#include "entities/blast.h"
#include "entities/brick_factory.h"
#include "entities/empty.h"
#include "entities/fire.h"
#include "entities/gem.h"
#include "entities/hide.h"
#include "entities/metal.h"
#include "entities/stable.h"
#include "entities/stone.h"
#include "entity_fixture.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "platform/headless/headless.h"
#include "sound/sound_clip.h"

namespace {

class BrickTest : public EntityTest {
  protected:
    static int32_t score() { return scoreCounter->value(); }

    // True when a fresh canvas shows the brick at (32, 40) drawn from this sheet cell.
    static bool drawsFrom(const Brick& brick, const Image* sheet, int column, int row) {
        Canvas canvas;
        brick.draw(&canvas);
        return canvas.pixelAt(32 + 5, 40 + 3) == sheetPixel(sheet, column * 16 + 5, row * 10 + 3);
    }
    static bool drawsNothing(const Brick& brick) {
        Canvas canvas;
        brick.draw(&canvas);
        for (int y = 40; y < 50; ++y) {
            for (int x = 32; x < 48; ++x) {
                if (canvas.pixelAt(x, y) != 0) return false;
            }
        }
        return true;
    }
};

TEST_F(BrickTest, GemCracksTwiceAndScoresOnTheThirdHit) {
    Gem gem(px(32), px(40), 2);
    EXPECT_EQ(gem.kind(), Brick::GemKind);
    EXPECT_TRUE(gem.isPresent());
    EXPECT_TRUE(drawsFrom(gem, Gem::sheet(), 0, 2));
    EXPECT_EQ(gem.hit(), 2);
    EXPECT_TRUE(drawsFrom(gem, Gem::sheet(), 1, 2));
    EXPECT_EQ(gem.hit(), 1);
    EXPECT_TRUE(drawsFrom(gem, Gem::sheet(), 2, 2));
    EXPECT_EQ(score(), 0);
    EXPECT_EQ(gem.hit(), 0);
    EXPECT_EQ(score(), 60);
    EXPECT_FALSE(gem.isPresent());
    EXPECT_TRUE(drawsNothing(gem));
    // A further hit on the empty cell changes nothing.
    EXPECT_EQ(gem.hit(), 0);
    EXPECT_EQ(score(), 60);
}

TEST_F(BrickTest, StoneMetalAndHideHitsPointsAndColumns) {
    Stone stone(px(32), px(40), 7);
    EXPECT_TRUE(drawsFrom(stone, Stone::sheet(), 0, 7));
    EXPECT_EQ(stone.hit(), 0);
    EXPECT_EQ(score(), 20);
    EXPECT_TRUE(drawsNothing(stone));

    Stone untouched(px(32), px(40), 0);
    untouched.destroy();
    EXPECT_FALSE(untouched.isPresent());
    EXPECT_EQ(score(), 40);

    Metal metal(px(32), px(40), 9);
    EXPECT_TRUE(drawsFrom(metal, Metal::sheet(), 0, 9));
    EXPECT_EQ(metal.hit(), 1);
    EXPECT_EQ(score(), 40);
    EXPECT_TRUE(drawsFrom(metal, Metal::sheet(), 1, 9));
    EXPECT_EQ(metal.hit(), 0);
    EXPECT_EQ(score(), 80);

    Hide hide(px(32), px(40), 1);
    EXPECT_TRUE(hide.isPresent());
    EXPECT_TRUE(drawsNothing(hide));
    EXPECT_EQ(hide.hit(), 1);
    EXPECT_TRUE(drawsFrom(hide, Hide::sheet(), 0, 1));
    EXPECT_EQ(hide.hit(), 0);
    EXPECT_EQ(score(), 150);
}

TEST_F(BrickTest, StableTakesAHundredHitsUnlessWeakened) {
    Stable stable(px(32), px(40), 2);
    EXPECT_TRUE(drawsFrom(stable, Stable::sheet(), 0, 2));
    for (int i = 1; i <= 99; ++i) stable.hit();
    EXPECT_EQ(stable.hp(), 1);
    EXPECT_EQ(score(), 0);
    EXPECT_TRUE(drawsFrom(stable, Stable::sheet(), 0, 2));
    EXPECT_EQ(stable.hit(), 0);
    EXPECT_EQ(score(), 90);

    Stable weakened(px(32), px(40), 0);
    weakened.weaken();
    EXPECT_EQ(weakened.hp(), 1);
    EXPECT_EQ(weakened.hit(), 0);
    EXPECT_EQ(score(), 180);
    weakened.weaken();  // absent: stays absent
    EXPECT_EQ(weakened.hp(), 0);
    EXPECT_FALSE(weakened.isPresent());

    Empty empty(px(32), px(40), 3);
    EXPECT_EQ(empty.kind(), Brick::EmptyKind);
    EXPECT_FALSE(empty.isPresent());
    EXPECT_EQ(empty.hit(), 0);
    empty.destroy();
    empty.weaken();
    EXPECT_EQ(empty.hp(), 0);
    EXPECT_EQ(score(), 180);
    EXPECT_FALSE(empty.takeExploded());
    EXPECT_TRUE(drawsNothing(empty));
}

TEST_F(BrickTest, FireBrickAnimatesInThreeColumns) {
    Fire fire(px(32), px(40), 1);
    EXPECT_EQ(fire.hp(), 1);
    const int columnAfter[31] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0..90
                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 100..190
                                 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 200..290
                                 0};
    EXPECT_TRUE(drawsFrom(fire, Fire::sheet(), 0, 1));
    for (int update = 1; update <= 30; ++update) {
        fire.update(10);
        EXPECT_EQ(fire.animTime(), update == 30 ? 0 : update * 10);
        EXPECT_TRUE(drawsFrom(fire, Fire::sheet(), columnAfter[update], 1)) << update;
        EXPECT_FALSE(fire.takeExploded());
    }
}

TEST_F(BrickTest, DestroyedFireBrickShowsItsBlastAndExplodes) {
    Fire fire(px(32), px(40), 0);
    fire.destroy();
    EXPECT_EQ(score(), 80);
    EXPECT_FALSE(fire.isPresent());
    ASSERT_TRUE(fire.blast()->isActive());
    EXPECT_EQ(fire.blast()->x(), px(40));
    EXPECT_EQ(fire.blast()->y(), px(45));

    // Drawn once per tick: frames 0, 0, 1, 1, ..., 31, 31 at (24, 29), no brick under them.
    for (int tick = 0; tick < 64; ++tick) {
        if (tick > 0) fire.update(10);
        const int f = tick / 2;
        Canvas canvas;
        fire.draw(&canvas);
        EXPECT_EQ(canvas.pixelAt(24 + 5, 29 + 7),
                  sheetPixel(explosionImage, (f % 8) * 32 + 5, (f / 8) * 32 + 7))
            << tick;
        EXPECT_EQ(canvas.pixelAt(24 + 20, 29 + 30),
                  sheetPixel(explosionImage, (f % 8) * 32 + 20, (f / 8) * 32 + 30))
            << tick;
        EXPECT_FALSE(fire.blast()->isFinished());
        EXPECT_FALSE(fire.takeExploded());
    }
    fire.update(10);  // the 64th
    EXPECT_TRUE(fire.blast()->isFinished());
    EXPECT_FALSE(fire.blast()->isActive());
    EXPECT_TRUE(fire.takeExploded());
    EXPECT_FALSE(fire.takeExploded());
    Canvas after;
    fire.draw(&after);
    EXPECT_EQ(after.pixelAt(24 + 5, 29 + 7), 0);
    // Reported again on every later update.
    fire.update(10);
    EXPECT_TRUE(fire.takeExploded());
    EXPECT_EQ(score(), 80);
}

TEST_F(BrickTest, BlastSoundPlaysOnlyWhenEffectsAreAudible) {
    // A short 8 kHz, 8-bit mono WAV.
    std::vector<uint8_t> wav(44 + 80, 0x80);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) wav[at + i] = (v >> (8 * i)) & 0xFF;
    };
    std::memcpy(wav.data(), "RIFF", 4);
    put32(4, 36 + 80);
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put32(20, 0x00010001);  // PCM, mono
    put32(24, 8000);
    put32(28, 8000);
    put32(32, 0x00080001);  // block align 1, 8 bits
    std::memcpy(wav.data() + 36, "data", 4);
    put32(40, 80);
    const std::string path = (dir / "blast.wav").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    blastSound = new SoundClip(path, false);

    auto plays = [] {
        size_t n = 0;
        for (const std::string& line : platform::headless::traceLines()) {
            if (line.find("sound blast.wav play") != std::string::npos) ++n;
        }
        return n;
    };
    muted = true;
    Blast quiet(px(40), px(45));
    quiet.trigger();
    EXPECT_TRUE(quiet.isActive());
    EXPECT_EQ(plays(), 0u);
    muted = false;
    soundOn = false;
    Blast off(px(40), px(45));
    off.trigger();
    EXPECT_EQ(plays(), 0u);
    soundOn = true;
    Fire fire(px(32), px(40), 0);
    fire.destroy();
    EXPECT_EQ(plays(), 1u);

    delete blastSound;
    blastSound = nullptr;
}

TEST_F(BrickTest, EachKindSharesOneSheetWhileItsBricksLive) {
    EXPECT_EQ(Stone::liveCount(), 0);
    EXPECT_EQ(Stone::sheet(), nullptr);
    auto a = std::make_unique<Stone>(0, 0, 0);
    auto b = std::make_unique<Stone>(px(16), 0, 1);
    EXPECT_EQ(Stone::liveCount(), 2);
    const Image* sheet = Stone::sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->width, 16);
    EXPECT_EQ(sheet->height, 100);
    EXPECT_EQ(Gem::sheet(), nullptr);  // kinds are independent
    a.reset();
    EXPECT_EQ(Stone::sheet(), sheet);
    b.reset();
    EXPECT_EQ(Stone::liveCount(), 0);
    EXPECT_EQ(Stone::sheet(), nullptr);
    Stone again(0, 0, 0);
    ASSERT_NE(Stone::sheet(), nullptr);
    EXPECT_EQ(Stone::sheet()->height, 100);

    {
        Fire fire(0, 0, 0);
        EXPECT_EQ(Fire::liveCount(), 1);
        EXPECT_EQ(Fire::sheet()->width, 48);
    }
    EXPECT_EQ(Fire::sheet(), nullptr);
}

TEST_F(BrickTest, FactoryMakesEveryKindAndEmptyOtherwise) {
    const int32_t hitPoints[7] = {0, 1, 2, 3, 2, 100, 1};
    for (int32_t kind = 0; kind <= 6; ++kind) {
        std::unique_ptr<Brick> brick(makeBrick(kind, px(16 * kind), px(30), 2));
        EXPECT_EQ(brick->kind(), kind);
        EXPECT_EQ(brick->hp(), hitPoints[kind]);
        EXPECT_EQ(brick->x(), px(16 * kind));
        EXPECT_EQ(brick->y(), px(30));
        EXPECT_EQ(brick->colour(), 2);
    }
    for (int32_t kind : {-1, 7, 9}) {
        std::unique_ptr<Brick> brick(makeBrick(kind, 0, 0, 0));
        EXPECT_EQ(brick->kind(), Brick::EmptyKind);
        EXPECT_FALSE(brick->isPresent());
    }
    // Points through the virtual destroy of each kind: 20 + 40 + 60 + 70 + 90 + 80.
    for (int32_t kind = 0; kind <= 6; ++kind) {
        std::unique_ptr<Brick> brick(makeBrick(kind, 0, 0, 0));
        brick->destroy();
    }
    EXPECT_EQ(score(), 360);
}

}  // namespace
