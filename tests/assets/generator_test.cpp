// The generators' parts: layout scripts and their checks, BMP encoding, note lists and the
// synthesiser's looping and levels.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "icon_file.h"
#include "image_files.h"
#include "layout_script.h"
#include "platform/bitmap.h"
#include "sound_score.h"
#include "synth.h"

namespace {

class GeneratorFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "artgen_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir + name) << text;
        return dir + name;
    }
    std::string dir;
};

}  // namespace

TEST_F(GeneratorFiles, LayoutScriptsDrawAndCheckTheirKeys) {
    artgen::LayoutScript script;
    ASSERT_TRUE(script.run(write("ok.txt",
                                 "colour sky #0000FF  # the key\n"
                                 "legend . clear\n"
                                 "legend r #FF0000\n"
                                 "grid dot 2 1\n"
                                 "r.\n"
                                 "picture 7 4 3 8 key sky\n"
                                 "rect 1 1 2 1 #00FF00\n"
                                 "art dot 3 2\n")))
        << script.error();
    const artgen::Picture& p = script.resources().at(7).picture;
    ASSERT_EQ(p.width(), 4);
    EXPECT_EQ(p.at(0, 0), 0x0000FFu);  // keyed sheets start filled with their key
    EXPECT_EQ(p.at(1, 1), 0x00FF00u);
    EXPECT_EQ(p.at(3, 1), 0x0000FFu);
    EXPECT_EQ(p.at(3, 2), 0xFF0000u);
    EXPECT_EQ(p.at(2, 2), 0x0000FFu);  // a clear grid cell leaves the picture alone

    // (7, 7, 7) reduces to the same pixel as black: a hole in a black-keyed sprite.
    artgen::LayoutScript holes;
    EXPECT_FALSE(holes.run(write("holes.txt", "picture 9 2 2 8 key #000000\npixel 1 0 #070707\n")));
    EXPECT_NE(holes.error().find("picture 9"), std::string::npos) << holes.error();
    EXPECT_NE(holes.error().find("(1, 0)"), std::string::npos) << holes.error();
    // Only the key region's own colour counts there.
    artgen::LayoutScript regions;
    EXPECT_TRUE(regions.run(write("regions.txt",
                                  "picture 9 4 1 8 key #0000FF\n"
                                  "keyregion 2 0 2 1 #000000\n"
                                  "pixel 0 0 #0000FF\npixel 2 0 #000000\npixel 3 0 #0404FA\n")))
        << regions.error();

    // Mistakes are reported with file and line.
    artgen::LayoutScript bad;
    EXPECT_FALSE(bad.run(write("bad.txt", "picture 1 2 2 8\n\nblur 1\n")));
    EXPECT_NE(bad.error().find("bad.txt:3: unknown command 'blur'"), std::string::npos)
        << bad.error();
    EXPECT_FALSE(bad.run(write("grid.txt", "grid g 3 2\nabc\nab\n")));
    EXPECT_NE(bad.error().find("grid.txt:3"), std::string::npos) << bad.error();
    EXPECT_FALSE(bad.run(write("colour.txt", "picture 1 2 2 8\nfill teal\n")));
    EXPECT_NE(bad.error().find("unknown colour teal"), std::string::npos) << bad.error();
}

TEST(Generator, BmpFilesDecodeAsTheGameReadsThem) {
    artgen::Picture p(3, 2, 0x102030);
    p.set(0, 0, 0xFF0000);  // top left
    p.set(2, 1, 0x00FF00);  // bottom right
    for (int depth : {8, 24}) {
        SCOPED_TRACE(depth);
        std::vector<uint8_t> bmp;
        std::string error;
        ASSERT_TRUE(artgen::encodeBmp(p, depth, bmp, error)) << error;
        // 8-bit: three palette entries and rows of 4 bytes; 24-bit: rows of 9 + 3 padding.
        size_t expected = depth == 8 ? 54 + 3 * 4 + 2 * 4 : 54 + 2 * 12;
        EXPECT_EQ(bmp.size(), expected);
        platform::Section s;
        ASSERT_TRUE(platform::decodeBmp(bmp, s));
        ASSERT_EQ(s.width, 3);
        ASSERT_EQ(s.height, 2);
        // Section rows are bottom-up, blue, green, red: the top-left pixel is in row 1.
        const uint8_t* top = s.bits.data() + s.stride;
        EXPECT_EQ(top[2], 0xFF);
        EXPECT_EQ(top[1], 0x00);
        const uint8_t* bottom = s.bits.data();
        EXPECT_EQ(bottom[2 * 3 + 1], 0xFF);
        EXPECT_EQ(bottom[3 + 0], 0x30);  // (1, 1) keeps the fill, blue byte first
    }
    artgen::Picture many(257, 1);
    for (int x = 0; x < 257; ++x) many.set(x, 0, static_cast<uint32_t>(x));
    std::vector<uint8_t> bmp;
    std::string error;
    EXPECT_FALSE(artgen::encodeBmp(many, 8, bmp, error));
    EXPECT_NE(error.find("256"), std::string::npos);
    EXPECT_TRUE(artgen::encodeBmp(many, 24, bmp, error));
}

TEST_F(GeneratorFiles, NoteListsAndTheSynthesiser) {
    EXPECT_DOUBLE_EQ(soundgen::noteFrequency("A4"), 440.0);
    EXPECT_DOUBLE_EQ(soundgen::noteFrequency("A5"), 880.0);
    EXPECT_NEAR(soundgen::noteFrequency("C5"), 523.25, 0.01);
    EXPECT_NEAR(soundgen::noteFrequency("G#5"), 830.61, 0.01);
    EXPECT_DOUBLE_EQ(soundgen::noteFrequency("Bb3"), soundgen::noteFrequency("A#3"));
    EXPECT_LT(soundgen::noteFrequency("H4"), 0);
    EXPECT_LT(soundgen::noteFrequency("A"), 0);

    // A loop of 100 ms whose only note starts at 50 ms and rings 40 ms past the end: the ring
    // comes back at the start, and nothing plays between its end and the note.
    soundgen::SoundScore loop;
    std::string error;
    ASSERT_TRUE(soundgen::readScore(write("loop.txt",
                                          "sound l.wav\nstep 25\nloop\nlength 100\npeak -6\n"
                                          "track triangle attack=2 release=40\n"
                                          "notes -/2 A4/2  # a rest, then the note\n"),
                                    loop, error))
        << error;
    std::vector<int16_t> samples = soundgen::render(loop);
    ASSERT_EQ(samples.size(), 2205u);  // 100 ms at 22,050 Hz
    int early = 0;
    int quiet = 0;
    for (size_t i = 0; i < 600; ++i) early = std::max(early, std::abs(samples[i]));
    for (size_t i = 900; i < 1100; ++i) quiet = std::max(quiet, std::abs(samples[i]));
    EXPECT_GT(early, 1000);
    EXPECT_EQ(quiet, 0);
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_NEAR(peak, 16423, 2);  // -6 dBFS of 32767

    // Lines that cannot be read name their place.
    soundgen::SoundScore bad;
    EXPECT_FALSE(soundgen::readScore(
        write("bad.txt", "sound b.wav\ntrack square\nnotes A4/2 Q4/1\n"), bad, error));
    EXPECT_NE(error.find("bad.txt:3: unknown note Q4"), std::string::npos) << error;
    EXPECT_FALSE(
        soundgen::readScore(write("drum.txt", "sound d.wav\ntrack drums\nbeat k.x\n"), bad, error));
    EXPECT_NE(error.find("unknown drum 'x'"), std::string::npos) << error;
    // Every part of a loop fills it exactly; a bar short is reported.
    EXPECT_FALSE(soundgen::readScore(write("short.txt",
                                           "sound s.wav\nstep 100\nloop\nlength 800\n"
                                           "track square\nnotes *2 A4/4\ntrack drums\n"
                                           "beat k.s.k.s\n"),
                                     bad, error));
    EXPECT_NE(error.find("track 2 lasts 700 ms, the loop 800 ms"), std::string::npos) << error;

    std::vector<uint8_t> wav = soundgen::wavFile({1, -2, 3});
    ASSERT_EQ(wav.size(), 50u);
    EXPECT_EQ(wav[40], 6);  // data bytes
    EXPECT_EQ(wav[4], 42);  // RIFF size: 36 + 6
    EXPECT_EQ(wav[46], 0xFE);
    EXPECT_EQ(wav[47], 0xFF);
}

// The favicon: a header, one entry per picture giving its side (256 as 0), its length and where
// it starts, then the pictures themselves in order.
TEST(Generator, IconFilesPointAtTheirPictures) {
    const std::vector<artgen::IconImage> images = {{16, {1, 2, 3}}, {256, {4, 5}}};
    std::vector<uint8_t> ico;
    std::string error;
    ASSERT_TRUE(artgen::encodeIco(images, ico, error)) << error;
    ASSERT_EQ(ico.size(), 6u + 2 * 16 + 5);
    EXPECT_EQ(std::vector<uint8_t>(ico.begin(), ico.begin() + 6),
              (std::vector<uint8_t>{0, 0, 1, 0, 2, 0}));
    const auto entry = [&](int i, int at) { return ico[6 + 16 * i + at]; };
    EXPECT_EQ(entry(0, 0), 16);
    EXPECT_EQ(entry(1, 0), 0);
    EXPECT_EQ(entry(0, 8), 3);        // length
    EXPECT_EQ(entry(0, 12), 6 + 32);  // the first picture follows the entries
    EXPECT_EQ(entry(1, 8), 2);
    EXPECT_EQ(entry(1, 12), 6 + 32 + 3);
    EXPECT_EQ(ico[6 + 32 + 3], 4);

    EXPECT_FALSE(artgen::encodeIco({{257, {1}}}, ico, error));
    EXPECT_FALSE(artgen::encodeIco({}, ico, error));
}
