// ScoreTable: the fresh table, insert, scrolling, drawing, and ScoreList.sav written and read.
#include "scores/score_table.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "../support/bmp_builder.h"
#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/text_image.h"
#include "platform/bitmap.h"
#include "temp_directory.h"
#include "tests/support/filled_fifo.h"

namespace {

constexpr size_t kFileSize = 3202;
constexpr uint16_t kWhiteInk = 0xFFDF;

std::u16string nameOf(const ScoreEntry& entry) {
    return std::u16string(entry.name);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A record as the file holds it: pending, reserved, nine name units, score, eight reserved bytes.
void putRecord(std::vector<uint8_t>& file, int index, uint8_t pending, const std::u16string& name,
               uint32_t score) {
    uint8_t* r = file.data() + 2 + 32 * index;
    r[0] = pending;
    for (size_t u = 0; u < name.size(); ++u) {
        r[2 + 2 * u] = name[u] & 0xFF;
        r[3 + 2 * u] = name[u] >> 8;
    }
    for (int b = 0; b < 4; ++b) r[20 + b] = (score >> (8 * b)) & 0xFF;
}

void expectDefaults(const ScoreTable& table, int from) {
    for (int i = from; i < 100; ++i) {
        EXPECT_EQ(nameOf(table.entry(i)), u"MERVAN") << i;
        EXPECT_EQ(table.entry(i).score, 10000u - 100u * i) << i;
        EXPECT_EQ(table.entry(i).pending, 0) << i;
    }
}

class ScoreTableTest : public testing::Test {
  protected:
    void SetUp() override {
        std::vector<testing_support::Rgb> plain(176 * 220, {0x40, 0x80, 0xC0});
        platform::addResource(resource::kHighScores, testing_support::makeBmp24(176, 220, plain));
        musicOn = true;
        soundOn = true;
    }
    std::string file() const { return dir.path + "ScoreList.sav"; }
    TempDirectory dir;
};

}  // namespace

TEST_F(ScoreTableTest, FreshTableHoldsTheDefaultList) {
    ScoreTable table;
    expectDefaults(table, 0);
    EXPECT_FALSE(musicOn);  // a missing file reads as empty: music off, effects on
    EXPECT_TRUE(soundOn);
    EXPECT_EQ(table.lowestScore(), 100u);
    EXPECT_EQ(table.topRow(), 0);
    EXPECT_EQ(table.rankText(0)->width, 12);   // "1"
    EXPECT_EQ(table.rankText(99)->width, 36);  // "100"
    EXPECT_EQ(table.entry(0).nameText->width, 72);
    EXPECT_EQ(table.entry(0).scoreText->width, 60);   // "10000"
    EXPECT_EQ(table.entry(99).scoreText->width, 36);  // "100"
    EXPECT_EQ(table.filePath(), dir.path + "ScoreList.sav");
}

TEST_F(ScoreTableTest, InsertPlacesANewScoreBelowEqualOnes) {
    ScoreTable table;
    table.insert(u"AB", 100);  // not above entry 99's 100
    EXPECT_EQ(nameOf(table.entry(99)), u"MERVAN");
    EXPECT_EQ(table.entry(99).pending, 0);

    table.insert(u"CD", 101);  // replaces entry 99 and stays there, entry 98 has 200
    EXPECT_EQ(nameOf(table.entry(99)), u"CD");
    EXPECT_EQ(table.entry(99).score, 101u);
    EXPECT_EQ(table.entry(99).pending, 1);
    EXPECT_EQ(table.entry(99).nameText->width, 24);
    EXPECT_EQ(table.entry(98).score, 200u);
    EXPECT_EQ(table.lowestScore(), 101u);

    table.insert(u"EQ", 9500);  // equal to entry 5: goes directly below it
    EXPECT_EQ(nameOf(table.entry(5)), u"MERVAN");
    EXPECT_EQ(nameOf(table.entry(6)), u"EQ");
    EXPECT_EQ(table.entry(6).score, 9500u);
    EXPECT_EQ(table.entry(7).score, 9400u);
    EXPECT_EQ(table.entry(99).score, 200u);  // CD with 101 fell out
    EXPECT_EQ(table.entry(6).scoreText->width, 48);

    table.insert(u"", 5000);
    table.insert(u"ZZ", 0);
    EXPECT_EQ(table.entry(50).score, 5100u);  // unchanged: 10000 - 100 * 49 shifted down by EQ
    EXPECT_EQ(table.entry(99).score, 200u);

    table.insert(u"BIG", 0x80000000u);  // compared unsigned: the highest score of all
    EXPECT_EQ(nameOf(table.entry(0)), u"BIG");
    table.insert(u"ABCDEFGHIJ", 20000);  // cut to the table's 8 characters
    EXPECT_EQ(nameOf(table.entry(1)), u"ABCDEFGH");
    EXPECT_EQ(table.entry(1).name[8], 0);
}

TEST_F(ScoreTableTest, ScrollingStaysBetweenZeroAndEightyEight) {
    ScoreTable table;
    table.scrollUp();
    EXPECT_EQ(table.topRow(), 0);
    for (int i = 0; i < 100; ++i) table.scrollDown();
    EXPECT_EQ(table.topRow(), 88);
    table.scrollUp();
    EXPECT_EQ(table.topRow(), 87);

    // A new entry shows with five rows above it, or as near the middle as the ends allow.
    // The default table holds 10000 - 100 * i at index i.
    const std::pair<uint32_t, int> placed[] = {{20000, 0},  // rank 1
                                               {9950, 0},   // rank 2
                                               {9450, 1},   // rank 7
                                               {5150, 44},  // rank 50
                                               {250, 88},   // rank 99
                                               {101, 88}};  // rank 100
    for (const auto& [score, top] : placed) {
        {
            ScoreTable fresh;
            const int index = fresh.insert(u"NEW", score);
            fresh.scrollToEntry(index);
            EXPECT_EQ(fresh.topRow(), top) << score;
            EXPECT_EQ(nameOf(fresh.entry(index)), u"NEW");
        }
        std::filesystem::remove(file());
    }
    EXPECT_EQ(table.insert(u"LOW", 50), -1);
    table.scrollToEntry(-1);  // no entry: the table stays where it was
    EXPECT_EQ(table.topRow(), 87);
}

TEST_F(ScoreTableTest, DrawShowsTwelveRowsOverTheBackground) {
    const uint16_t back = toPixel(0x40, 0x80, 0xC0);
    ScoreTable table;
    for (int i = 0; i < 3; ++i) table.scrollDown();
    Canvas canvas;
    table.draw(&canvas);
    EXPECT_EQ(canvas.pixelAt(0, 0), back);
    // Row 0 shows entry 3: rank "4" at x 32, "MERVAN" at x 64, "9700" at x 128; each glyph's
    // top row lies 2 pixels below the row's y of 38.
    EXPECT_EQ(canvas.pixelAt(35, 40), kWhiteInk);  // '4' row 0: ...#.
    EXPECT_EQ(canvas.pixelAt(32, 40), back);
    EXPECT_EQ(canvas.pixelAt(64, 40), kWhiteInk);  // 'M' row 0: #...#
    EXPECT_EQ(canvas.pixelAt(65, 40), back);
    EXPECT_EQ(canvas.pixelAt(128, 40), back);  // '9' row 0: .###.
    EXPECT_EQ(canvas.pixelAt(129, 40), kWhiteInk);
    EXPECT_EQ(canvas.pixelAt(128, 41), kWhiteInk);  // '9' row 1: #...#
    // Row 11 (y 170) shows entry 14, rank "15"; nothing is drawn below the last row's text.
    EXPECT_EQ(canvas.pixelAt(34, 172), kWhiteInk);  // '1' row 0: ..#..
    for (int x = 0; x < 176; ++x) EXPECT_EQ(canvas.pixelAt(x, 183), back) << x;
}

TEST_F(ScoreTableTest, SavedFileHasTheRecordLayout) {
    {
        ScoreTable table;
        table.insert(u"AB", 101);
        musicOn = true;
        soundOn = false;
    }
    const std::vector<uint8_t> bytes = readFile(file());
    ASSERT_EQ(bytes.size(), kFileSize);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 0);
    const std::vector<uint8_t> first = {
        0,   0, 'M', 0, 'E', 0, 'R', 0, 'V',  0,    'A', 0,
        'N', 0, 0,   0, 0,   0, 0,   0, 0x10, 0x27, 0,   0};  // 10000 = 0x2710
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2, bytes.begin() + 26), first);
    const std::vector<uint8_t> last = {1, 0, 'A', 0, 'B', 0, 0, 0, 0,   0, 0, 0,
                                       0, 0, 0,   0, 0,   0, 0, 0, 101, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2 + 32 * 99, bytes.begin() + 2 + 32 * 99 + 24),
              last);
    for (int i = 0; i < 100; ++i)
        for (int b = 24; b < 32; ++b) EXPECT_EQ(bytes[2 + 32 * i + b], 0) << i << " " << b;
    for (const auto& item : std::filesystem::directory_iterator(dir.path))
        EXPECT_EQ(item.path().filename(), "ScoreList.sav");  // no temporary file left behind

    ScoreTable again;  // and it reads back
    EXPECT_TRUE(musicOn);
    EXPECT_FALSE(soundOn);
    EXPECT_EQ(nameOf(again.entry(99)), u"AB");
    EXPECT_EQ(again.entry(99).pending, 1);
}

TEST_F(ScoreTableTest, DamagedFilesFallBackPieceByPiece) {
    writeFile(file(), {});
    {
        ScoreTable table;
        expectDefaults(table, 0);
    }
    EXPECT_FALSE(musicOn);
    EXPECT_TRUE(soundOn);

    writeFile(file(), {1});  // only the music switch
    {
        ScoreTable table;
        expectDefaults(table, 0);
    }
    EXPECT_TRUE(musicOn);
    EXPECT_TRUE(soundOn);

    // Three whole records and part of a fourth: the rest take their defaults.
    std::vector<uint8_t> shortFile(2 + 32 * 3 + 10, 0);
    shortFile[1] = 1;
    for (int i = 0; i < 3; ++i)
        putRecord(shortFile, i, 0, u"P" + std::u16string(1, u'0' + i), 70 - i);
    writeFile(file(), shortFile);
    {
        ScoreTable table;
        EXPECT_EQ(nameOf(table.entry(2)), u"P2");
        EXPECT_EQ(table.entry(2).score, 68u);
        expectDefaults(table, 3);
    }

    // A longer file is read as far as its 3202 bytes and written back at that size; reserved
    // bytes in it are ignored and written as zero.
    std::vector<uint8_t> longFile(kFileSize + 100, 0x7E);
    longFile[0] = 0;
    longFile[1] = 1;
    for (int i = 0; i < 100; ++i) {
        std::fill_n(longFile.begin() + 2 + 32 * i, 32, 0);
        putRecord(longFile, i, 0, u"Q", 5000 - i);
        longFile[2 + 32 * i + 1] = 0x55;
        longFile[2 + 32 * i + 24] = 0x66;
    }
    writeFile(file(), longFile);
    {
        ScoreTable table;
        EXPECT_EQ(table.entry(99).score, 4901u);
    }
    std::vector<uint8_t> written = readFile(file());
    ASSERT_EQ(written.size(), kFileSize);
    EXPECT_EQ(written[2 + 1], 0);
    EXPECT_EQ(written[2 + 24], 0);

    // Garbage and unterminated names: every name ends within its nine units.
    std::vector<uint8_t> garbage(kFileSize, 0xFF);
    putRecord(garbage, 1, 0, u"AAAAAAAAA", 77);  // nine units, no terminator
    writeFile(file(), garbage);
    {
        ScoreTable table;
        EXPECT_TRUE(musicOn);
        EXPECT_EQ(table.entry(0).name[8], 0);
        EXPECT_EQ(nameOf(table.entry(0)), std::u16string(8, char16_t(0xFFFF)));
        EXPECT_EQ(table.entry(0).score, 0xFFFFFFFFu);
        EXPECT_EQ(nameOf(table.entry(1)), u"AAAAAAAA");
        EXPECT_EQ(table.entry(0).nameText->width, 96);
    }
    written = readFile(file());
    ASSERT_EQ(written.size(), kFileSize);
    EXPECT_EQ(written[2 + 32 + 18], 0);  // the ninth unit of entry 1 is now the terminator
    EXPECT_EQ(written[2 + 32 + 19], 0);
}

TEST_F(ScoreTableTest, UnreadableFileKeepsTheSwitches) {
    std::filesystem::create_directory(file());  // a directory where the file should be
    musicOn = true;
    soundOn = false;
    {
        ScoreTable table;
        expectDefaults(table, 0);
        EXPECT_TRUE(musicOn);
        EXPECT_FALSE(soundOn);
    }  // saving fails quietly
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

// A file in the way that cannot be read (here a socket, which no open() reads) is not
// replaced by the defaults when the table is saved: nothing it held is lost.
TEST_F(ScoreTableTest, UnreadableFileIsNotOverwritten) {
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string where = file();
    ASSERT_LT(where.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, where.c_str(), where.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    {
        ScoreTable table;
        expectDefaults(table, 0);
        table.insert(u"NEW", 5000);
    }
    EXPECT_TRUE(std::filesystem::is_socket(file()));
    ::close(sock);
}

// A FIFO (holding a whole table, as a writer at its other end might) or a device in the file's
// place is neither read nor, when the table is saved, replaced.
TEST_F(ScoreTableTest, NoRegularFileInPlaceIsReadOrReplaced) {
    std::vector<uint8_t> table(kFileSize, 0);
    putRecord(table, 0, 1, u"FIFO", 99999);
    for (const std::string kind : {"fifo", "device"}) {
        std::unique_ptr<testing_support::FilledFifo> fifo;
        if (kind == "fifo") {
            fifo = std::make_unique<testing_support::FilledFifo>(file(), table);
            ASSERT_TRUE(fifo->ready());
        } else {
            std::filesystem::create_symlink("/dev/zero", file());
        }
        musicOn = true;
        soundOn = false;
        {
            ScoreTable scores;
            expectDefaults(scores, 0);
            EXPECT_TRUE(musicOn) << kind;
            EXPECT_FALSE(soundOn) << kind;
            scores.insert(u"NEW", 5000);
        }
        const auto status = std::filesystem::symlink_status(file()).type();
        EXPECT_EQ(status, kind == "fifo" ? std::filesystem::file_type::fifo
                                         : std::filesystem::file_type::symlink);
        fifo.reset();
        std::filesystem::remove(file());
    }
}

// A table read again shows exactly what a new table reading the same file shows: nothing of
// its scrolling, its inserted scores or the texts of rows that changed is left over.
TEST_F(ScoreTableTest, ReloadShowsWhatANewTableShows) {
    std::vector<uint8_t> bytes(2 + 32, 0);  // the switches and one record; the rest defaults
    putRecord(bytes, 0, 1, u"LONGNAME", 7777);
    ScoreTable table;
    table.insert(u"NEW", 20000);  // row 0; MERVAN 10000 moves to row 1
    Canvas before;
    table.draw(&before);
    table.scrollDown();
    writeFile(file(), bytes);

    table.reload();
    EXPECT_EQ(table.topRow(), 0);
    EXPECT_EQ(nameOf(table.entry(0)), u"LONGNAME");
    EXPECT_EQ(table.entry(0).score, 7777u);
    EXPECT_EQ(table.entry(0).pending, 1);
    EXPECT_EQ(table.entry(0).nameText->width, 96);
    EXPECT_EQ(table.entry(1).scoreText->width, 48);  // "9900", no longer "10000"
    expectDefaults(table, 1);
    Canvas reloaded;
    table.draw(&reloaded);
    ScoreTable fresh;
    Canvas made;
    fresh.draw(&made);
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 176; ++x) ASSERT_EQ(reloaded.pixelAt(x, y), made.pixelAt(x, y));

    // Saved as the destructor saves it: the file now holds the full list.
    table.save();
    EXPECT_EQ(readFile(file()).size(), kFileSize);
}
