// Writer for the crash-safety test: saves the score table and the game, generation after
// generation, through ScoreTable and Playfield::saveGame, until it is killed.
//
//   crash_safety_writer DIR
//
// Generation g inserts the score 10000 + g under the name "W<g>" and saves the game with the
// score g. The generation to go on from is read back from the score table in DIR, so a writer
// killed and started again continues where the files stand. Before each generation's saves,
// "g\n" is appended to DIR/journal. One byte on standard output tells that start-up is over.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "scores/score_table.h"
#include "tests/support/play_globals.h"
#include "world/playfield.h"

namespace {
constexpr uint32_t kSeed = 1;
constexpr uint32_t kScoreBase = 10000;  // above every default entry, so each insert goes on top

std::u16string nameFor(uint32_t generation) {
    const std::string text = "W" + std::to_string(generation);
    return std::u16string(text.begin(), text.end());
}

// The last generation the table holds: its top entry, when that is one of ours.
uint32_t generationIn(const ScoreTable& table) {
    const ScoreEntry& top = table.entry(0);
    if (top.name[0] != u'W' || top.score <= kScoreBase) return 0;
    return top.score - kScoreBase;
}

void journal(int fd, uint32_t generation) {
    const std::string line = std::to_string(generation) + "\n";
    if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(3);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: crash_safety_writer DIR\n");
        return 2;
    }
    platform::setProgramDirectory(argv[1]);
    const int journalFd = ::open((std::string(argv[1]) + "/journal").c_str(),
                                 O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (journalFd < 0) return 3;
    const testing_support::PlayGlobals globals(kSeed);
    Playfield playfield;
    playfield.loadGame();
    if (::write(STDOUT_FILENO, "r", 1) != 1) return 3;

    for (;;) {
        auto* table = new ScoreTable();
        const uint32_t generation = generationIn(*table) + 1;
        table->insert(nameFor(generation), kScoreBase + generation);
        journal(journalFd, generation);
        delete table;  // saves ScoreList.sav
        playfield.newGame();
        scoreCounter->setValue(static_cast<int32_t>(generation));
        playfield.saveGame();
    }
}
