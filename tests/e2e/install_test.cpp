// Installing to a prefix other than the configured one: the game, its data, the desktop entry,
// icons and manual pages land in their places, and the installed game runs from its desktop
// entry's Exec line; as another user, whose program directory is not writable, its files go to
// the user's data directory.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/e2e_fixture.h"

namespace fs = std::filesystem;

namespace {
// The program an entry's Exec line names, read as the desktop entry format reads it: the value's
// own escapes first (\\ for \), then its first argument, quoted or not, with \ escaping the next
// character inside quotes.
std::string desktopExecProgram(const fs::path& entry) {
    std::ifstream in(entry);
    std::string value;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Exec=", 0) == 0) value = line.substr(5);
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i)
        unescaped += value[i] == '\\' && i + 1 < value.size() ? value[++i] : value[i];
    if (unescaped.empty() || unescaped[0] != '"') return unescaped.substr(0, unescaped.find(' '));
    std::string program;
    for (size_t i = 1; i < unescaped.size() && unescaped[i] != '"'; ++i)
        program += unescaped[i] == '\\' && i + 1 < unescaped.size() ? unescaped[++i] : unescaped[i];
    return program;
}
const std::vector<std::string> kDummyDrivers = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
}  // namespace

TEST_F(EndToEnd, InstalledGameRunsFromItsDesktopEntry) {
    // A space and a $ in the path: the entry must quote and escape it to name the game.
    const fs::path prefix = dir / "my $games";
    ASSERT_EQ(runProcess({V2_CMAKE, "--install", V2_BUILD_DIR, "--prefix", prefix.string()}), 0);
    const fs::path game = prefix / "lib" / "vextorium2";
    for (const char* name : {"vextorium2", "BrickMap.dat", "blast.wav", "hit.wav", "music.wav",
                             "menudown.wav", "menuup.wav", "Action.wav"})
        EXPECT_TRUE(fs::exists(game / name)) << name;
    EXPECT_TRUE(fs::is_symlink(prefix / "bin" / "vextorium2"));
    EXPECT_TRUE(fs::exists(prefix / "bin" / "scoreserver"));
    EXPECT_TRUE(fs::exists(prefix / "share/man/man6/vextorium2.6.gz"));
    EXPECT_TRUE(fs::exists(prefix / "share/man/man8/scoreserver.8.gz"));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string px = std::to_string(size);
        EXPECT_TRUE(
            fs::exists(prefix / "share/icons/hicolor" / (px + "x" + px) / "apps/vextorium2.png"));
    }
    const fs::path entry = prefix / "share/applications/vextorium2.desktop";
    ASSERT_TRUE(fs::exists(entry));
    const std::string exec = desktopExecProgram(entry);
    EXPECT_EQ(exec, (prefix / "bin" / "vextorium2").string());
    EXPECT_EQ(runProcess({exec}, kDummyDrivers, 1500, SIGTERM), 0);
    EXPECT_EQ(fs::file_size(game / "ScoreList.sav"), 3202u);  // beside it: writable here

    // Another user cannot write the installed directory: the scores go to their data directory.
    if (::geteuid() != 0 || !fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "needs root and setpriv";
    fs::remove(game / "ScoreList.sav");
    const fs::path xdg = dir / "xdg";
    fs::create_directories(xdg);
    fs::permissions(dir, fs::perms::all);
    fs::permissions(xdg, fs::perms::all);
    std::vector<std::string> env = kDummyDrivers;
    env.push_back("XDG_DATA_HOME=" + xdg.string());
    env.push_back("XDG_RUNTIME_DIR=");
    EXPECT_EQ(
        runProcess({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", exec},
                   env, 1500, SIGTERM),
        0);
    EXPECT_FALSE(fs::exists(game / "ScoreList.sav"));
    EXPECT_EQ(fs::file_size(xdg / "vextorium2" / "ScoreList.sav"), 3202u);
}
