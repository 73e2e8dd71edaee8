// The high-contrast and flash-safe looks and the sound cues: games play the same in every look,
// and the flash-safe look keeps within three flashes a second over a quarter of the screen.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "graphics/image.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/flash_count.h"
#include "tests/support/png_reader.h"

namespace {
namespace fs = std::filesystem;
using testing_support::FlashCounter;
using testing_support::FlashFigures;

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Frames of one grey level (0..31 in each channel) with a band of another: the band covers
// rows [0, bandRows).
std::vector<uint16_t> frame(int grey, int band, int bandRows) {
    std::vector<uint16_t> pixels(FlashCounter::kWidth * FlashCounter::kHeight);
    for (int y = 0; y < FlashCounter::kHeight; ++y) {
        const int v = y < bandRows ? band : grey;
        for (int x = 0; x < FlashCounter::kWidth; ++x)
            pixels[y * FlashCounter::kWidth + x] = static_cast<uint16_t>((v << 11) | (v << 6) | v);
    }
    return pixels;
}

// Two seconds of a band switching between grey levels a and b every `periodMs`.
FlashFigures flicker(int a, int b, int bandRows, uint32_t periodMs) {
    FlashCounter counter;
    for (uint32_t ms = 0; ms <= 2000; ms += 10)
        counter.add(ms, frame(0, (ms / periodMs) % 2 ? b : a, bandRows));
    return counter.figures();
}

// The counter against the rule's own cases. Grey 31 is white (luminance 1), 0 black, 7 about
// 0.04, 29 about 0.86.
TEST(FlashCounter, CountsOpposingChangesOfATenthOverAQuarterOfTheScreen) {
    // Black and white every 100 ms over the whole screen: ten changes a second, five flashes.
    const FlashFigures whole = flicker(0, 31, 220, 100);
    EXPECT_EQ(whole.generalPerSecond, 5);
    EXPECT_EQ(whole.mostAtOnePixel, 5);
    EXPECT_DOUBLE_EQ(whole.shareOverThree, 1.0);
    // The same over 54 of 220 rows, short of a quarter: no general flash, yet counted locally.
    const FlashFigures band = flicker(0, 31, 54, 100);
    EXPECT_EQ(band.generalPerSecond, 0);
    EXPECT_EQ(band.mostAtOnePixel, 5);
    EXPECT_DOUBLE_EQ(band.shareOverThree, 54.0 / 220.0);
    // Over 55 rows, a quarter: general again.
    EXPECT_EQ(flicker(0, 31, 55, 100).generalPerSecond, 5);
    // Too small a change (black to 0.04), and changes whose darker side is above 0.80.
    EXPECT_EQ(flicker(0, 7, 220, 100).mostAtOnePixel, 0);
    EXPECT_EQ(flicker(29, 31, 220, 100).mostAtOnePixel, 0);
    // A slow fade counts as much as a cut: black to white and back over a second, once.
    FlashCounter fade;
    for (uint32_t ms = 0; ms <= 1000; ms += 10) {
        const int level = static_cast<int>(ms <= 500 ? ms * 31 / 500 : (1000 - ms) * 31 / 500);
        fade.add(ms, frame(level, level, 0));
    }
    EXPECT_EQ(fade.figures().generalPerSecond, 1);
}

class Looks : public EndToEnd {
  protected:
    // A level file of nine full rows of fire bricks on every level: one blast sets off them all.
    void useFireBoard() {
        std::string text;
        for (int level = 1; level <= 3; ++level) {
            std::ofstream out(dir / ("level" + std::to_string(level) + ".txt"));
            out << "level " << level << '\n';
            for (int row = 1; row <= 16; ++row)
                out << (row >= 3 && row <= 11 ? "60 60 60 60 60 60 60 60 60 60 60\n"
                                              : "00 00 00 00 00 00 00 00 00 00 00\n");
        }
        ASSERT_EQ(
            runProcess({std::string(V2_BIN_DIR) + "/brickmap", "compile", path("BrickMap.dat"),
                        path("level1.txt"), path("level2.txt"), path("level3.txt")}),
            0);
    }
    // Runs the script in a look, then moves what the game left behind into `into`.
    void playIn(const std::string& script, std::vector<std::string> args, const fs::path& into) {
        ASSERT_EQ(replay(script, args), 0);
        fs::create_directories(into);
        for (const char* name : {"trace.txt", "AutoSave.dat", "GameRecord.dat", "ScoreList.sav"})
            if (fs::exists(dir / name)) fs::rename(dir / name, into / name);
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".png")
                fs::rename(entry.path(), into / entry.path().filename());
    }
    // The title, the about screen, the menu, the stage and play, each key once its wipe is over.
    static constexpr const char* kIntoPlay =
        "100 press action\n800 press action\n1500 press action\n2300 press action\n";
};

// High contrast, flash-safe and the cues leave a game as it was: its trace (screens, sounds,
// levels, lives, score), its saved game and its record, with sparks, blasts and items in it.
TEST_F(Looks, ChangeOnlyThePictures) {
    useFireBoard();
    const std::string script =
        std::string(kIntoPlay) + "3000 press action\n6000 shot play.png\n30000 shot late.png\n";
    const std::vector<std::vector<std::string>> looks = {
        {},
        {"--look", "high-contrast"},
        {"--look", "flash-safe"},
        {"--look", "high-contrast", "--look", "flash-safe", "--cues"}};
    for (size_t i = 0; i < looks.size(); ++i) {
        std::vector<std::string> args = {"--seed", "3", "--autoplay", "--until", "30001"};
        args.insert(args.end(), looks[i].begin(), looks[i].end());
        playIn(script, args, dir / ("look" + std::to_string(i)));
    }
    const std::string plainTrace = readBytes(dir / "look0" / "trace.txt");
    ASSERT_NE(plainTrace.find("score "), std::string::npos);
    for (size_t i = 1; i < looks.size(); ++i) {
        const fs::path look = dir / ("look" + std::to_string(i));
        EXPECT_EQ(readBytes(look / "trace.txt"), plainTrace) << i;
        for (const char* name : {"AutoSave.dat", "GameRecord.dat"})
            EXPECT_EQ(readBytes(look / name), readBytes(dir / "look0" / name)) << i << ' ' << name;
        // And the look did show: its picture of play is not the plain one.
        EXPECT_NE(testing_support::readFramePng((look / "play.png").string()),
                  testing_support::readFramePng((dir / "look0" / "play.png").string()))
            << i;
    }
}

// The fire board's chain of blasts, then the paddle's explosion (the ball is never met), and
// the four wipes into play: the flash-safe look stays within three general flashes in any one
// second; the plain look's sparks, changing colour at every draw, flash far faster at a pixel,
// which shows the counter sees the shots.
TEST_F(Looks, FlashSafeStaysWithinThreeFlashesASecond) {
    useFireBoard();
    std::string script = std::string(kIntoPlay) + "3000 press action\n";
    for (uint32_t ms = 0; ms <= 7000; ms += 10)
        script += std::to_string(ms) + " shot " + std::to_string(ms) + ".png\n";
    std::istringstream lines(script);
    std::vector<std::pair<uint32_t, std::string>> sorted;
    for (std::string line; std::getline(lines, line);) sorted.emplace_back(std::stoul(line), line);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    script.clear();
    for (const auto& [ms, line] : sorted) script += line + "\n";

    FlashFigures figures[2];
    for (int safe = 0; safe < 2; ++safe) {
        std::vector<std::string> args = {"--seed", "1", "--until", "7001"};
        if (safe) args.insert(args.end(), {"--look", "flash-safe"});
        const fs::path shots = dir / (safe ? "flash-safe" : "plain");
        playIn(script, args, shots);
        FlashCounter counter;
        for (uint32_t ms = 0; ms <= 7000; ms += 10)
            counter.add(ms, testing_support::readFramePng(
                                (shots / (std::to_string(ms) + ".png")).string()));
        figures[safe] = counter.figures();
        EXPECT_EQ(figures[safe].frames, 701u);
    }
    EXPECT_LE(figures[1].generalPerSecond, 3);
    EXPECT_GT(figures[0].mostAtOnePixel, 3);
    EXPECT_LT(figures[1].shareOverThree, figures[0].shareOverThree);
}

// With cues on, a lost life shows its picture (a red heart in a white-framed badge at the top
// of the frame) for about a second, 90 ticks of 11 ms; without them, nothing.
TEST_F(Looks, ALostLifeShowsItsCueForASecond) {
    useFireBoard();
    // The ball launched and never met: it falls, the paddle explodes, a life goes.
    const std::string start = std::string(kIntoPlay) + "3000 press action\n";
    playIn(start, {"--seed", "1", "--until", "20000"}, dir / "find");
    uint32_t lost = 0;
    std::ifstream trace(dir / "find" / "trace.txt");
    for (std::string line; std::getline(trace, line);)
        if (lost == 0 && line.ends_with(" lives 2")) lost = std::stoul(line);
    ASSERT_GT(lost, 3000u);
    const std::string shots = start + std::to_string(lost + 30) + " shot soon.png\n" +
                              std::to_string(lost + 1300) + " shot later.png\n";
    playIn(shots, {"--seed", "1", "--until", std::to_string(lost + 1301), "--cues"}, dir / "cues");
    playIn(shots, {"--seed", "1", "--until", std::to_string(lost + 1301)}, dir / "none");
    auto badge = [&](const char* look, const char* shot) {
        const auto frame = testing_support::readFramePng((dir / look / shot).string());
        return frame.size() == 176u * 220u && frame[2 * 176 + 77] == toPixel(0xFFFFFF) &&
               frame[4 * 176 + 81] == toPixel(0x3838E8);
    };
    EXPECT_TRUE(badge("cues", "soon.png"));
    EXPECT_FALSE(badge("cues", "later.png"));
    EXPECT_FALSE(badge("none", "soon.png"));
}

}  // namespace
