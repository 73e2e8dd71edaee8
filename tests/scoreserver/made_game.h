// A real game's record, made once by the replay runner: the built-in player through all three
// levels.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_processes.h"

// The built-in player's game through all three levels, made once: its record and final score.
struct MadeGame {
    std::string record;
    unsigned score = 0;
};

inline const MadeGame& autoplayGame() {
    static const MadeGame made = [] {
        MadeGame game;
        const std::string dir = makeTempDirectory("proven_game");
        std::filesystem::copy_file(BRICKMAP_PATH, dir + "BrickMap.dat");
        const std::string command =
            "printf '100 press action\\n800 press action\\n1500 press action\\n' | " +
            std::string(REPLAY_PATH) + " --dir " + dir +
            " --script - --autoplay --seed 2 --until 2000000 --trace " + dir + "trace.txt";
        if (std::system(command.c_str()) != 0) return game;
        std::ifstream in(dir + "GameRecord.dat", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        game.record = bytes.str();
        std::ifstream trace(dir + "trace.txt");
        for (std::string line; std::getline(trace, line);)
            if (const size_t at = line.find(" score "); at != std::string::npos)
                game.score = static_cast<unsigned>(std::stoul(line.substr(at + 7)));
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        return game;
    }();
    return made;
}

