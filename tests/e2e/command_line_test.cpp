// The programs' command lines: --help, --version and unknown arguments, and the game's status
// when it cannot open a window.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/e2e_fixture.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

class CommandLine : public EndToEnd {
  protected:
    Outcome run(const std::string& program, const std::string& args) {
        const std::string command = "'" + program + "' " + args + " >'" + path("out") + "' 2>'" +
                                    path("err") + "' </dev/null";
        const int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = slurp(path("out"));
        o.err = slurp(path("err"));
        return o;
    }
};

TEST_F(CommandLine, HelpVersionAndUnknownArgumentsOnEveryProgram) {
    const std::string brickmap = std::string(V2_BIN_DIR) + "/brickmap";
    for (const std::string& program : {std::string(V2_GAME), std::string(V2_REPLAY), brickmap}) {
        const std::string name = std::filesystem::path(program).filename().string();
        // A game that ignored its arguments would start here instead of answering.
        Outcome help = run(program, "--help");
        EXPECT_EQ(help.status, 0) << name;
        EXPECT_NE(help.out.find("usage: " + name), std::string::npos) << name << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << name;
        EXPECT_EQ(help.err, "") << name;

        Outcome version = run(program, "--version");
        EXPECT_EQ(version.status, 0) << name;
        EXPECT_EQ(version.out, name + " " + VEXTORIUM2_VERSION + "\n");
        EXPECT_EQ(version.err, "") << name;

        for (const char* bad : {"--frobnicate", "--help-me", "-x"}) {
            if (name == "brickmap" && std::string(bad) == "-x") continue;  // a command name
            Outcome unknown = run(program, bad);
            EXPECT_EQ(unknown.status, 2) << name << " " << bad;
            EXPECT_EQ(unknown.out, "") << name << " " << bad;
            EXPECT_NE(unknown.err.find(bad), std::string::npos) << name << unknown.err;
            EXPECT_NE(unknown.err.find("usage:"), std::string::npos) << name << unknown.err;
        }
    }
    // An option-like argument where brickmap expects a file name is refused, not read.
    Outcome misplaced = run(brickmap, "compile --frobnicate " + path("out.dat") + " x.txt");
    EXPECT_EQ(misplaced.status, 2);
    EXPECT_FALSE(std::filesystem::exists(path("out.dat")));
    // The game's own options are known to it: --help still wins wherever it stands.
    EXPECT_EQ(run(V2_GAME, "--windowed --fullscreen --help").status, 0);
}

// Where no display can be reached the game says so and fails, and leaves nothing behind: the
// score file is only ever written once the window exists.
TEST_F(CommandLine, NoDisplayIsAFailure) {
    const auto game = dir / "vextorium2";
    std::filesystem::copy_file(V2_GAME, game);
    const std::string noDisplay =
        "DISPLAY=:9999 WAYLAND_DISPLAY=v2-no-such-display "
        "XDG_RUNTIME_DIR='" +
        dir.string() + "' SDL_AUDIODRIVER=dummy ";
    // Named: the X11 driver cannot start. Unnamed: SDL would fall back to an invisible window.
    for (const char* driver : {"SDL_VIDEODRIVER=x11 ", "SDL_VIDEODRIVER= "}) {
        for (const char* mode : {"", "--windowed"}) {
            // Bounded: a game that wrongly started would otherwise run on unseen.
            Outcome o =
                run("env", noDisplay + driver + "timeout 60 '" + game.string() + "' " + mode);
            EXPECT_EQ(o.status, 1) << driver << mode;
            EXPECT_NE(o.err.find("cannot open the game window"), std::string::npos) << o.err;
            EXPECT_FALSE(std::filesystem::exists(path("ScoreList.sav"))) << driver << mode;
        }
    }
}
