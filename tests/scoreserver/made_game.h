// Real games' records, each made once by the replay runner: the built-in player through all
// three levels, in one sitting or in two.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_processes.h"

// A game's record and final score.
struct MadeGame {
    std::string record;
    unsigned score = 0;
};

// The built-in player in `dir` from the menu: New game, or Continue with the saved game.
inline bool playSitting(const std::string& dir, bool continued, unsigned seed, unsigned untilMs) {
    const std::string script =
        continued ? "100 press action\\n800 press action\\n1500 press down\\n2100 press action\\n"
                  : "100 press action\\n800 press action\\n1500 press action\\n";
    const std::string command = "printf '" + script + "' | " + std::string(REPLAY_PATH) +
                                " --dir " + dir + " --script - --autoplay --seed " +
                                std::to_string(seed) + " --until " + std::to_string(untilMs) +
                                " --trace " + dir + "trace.txt";
    return std::system(command.c_str()) == 0;
}

// The record and final score of the game played in `dir` (the last sitting's trace).
inline MadeGame gameIn(const std::string& dir) {
    MadeGame game;
    {
        std::ifstream in(dir + "GameRecord.dat", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        game.record = bytes.str();
    }
    std::ifstream trace(dir + "trace.txt");
    for (std::string line; std::getline(trace, line);)
        if (const size_t at = line.find(" score "); at != std::string::npos)
            game.score = static_cast<unsigned>(std::stoul(line.substr(at + 7)));
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return game;
}

// The built-in player's game through all three levels in one sitting.
inline const MadeGame& autoplayGame() {
    static const MadeGame made = [] {
        const std::string dir = makeTempDirectory("proven_game");
        std::filesystem::copy_file(BRICKMAP_PATH, dir + "BrickMap.dat");
        return playSitting(dir, false, 2, 2000000) ? gameIn(dir) : MadeGame{};
    }();
    return made;
}

// A game of two sittings: New game, cut by the program's end after 150 s, then continued
// from the saved game to its end.
inline const MadeGame& continuedGame() {
    static const MadeGame made = [] {
        const std::string dir = makeTempDirectory("continued_game");
        std::filesystem::copy_file(BRICKMAP_PATH, dir + "BrickMap.dat");
        return playSitting(dir, false, 2, 150000) && playSitting(dir, true, 4, 3000000)
                   ? gameIn(dir)
                   : MadeGame{};
    }();
    return made;
}
