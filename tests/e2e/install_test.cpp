// Installing to a prefix: the game, its data, the desktop entry and icons land in their places,
// and the installed game runs from its desktop entry; as another user, whose program directory
// is not writable, its files go to the user's data directory.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/e2e_fixture.h"

namespace fs = std::filesystem;

namespace {
std::string desktopExec(const fs::path& entry) {
    std::ifstream in(entry);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Exec=", 0) == 0) return line.substr(5);
    return "";
}
const std::vector<std::string> kDummyDrivers = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
}  // namespace

TEST_F(EndToEnd, InstalledGameRunsFromItsDesktopEntry) {
    const fs::path prefix = dir / "prefix";
    ASSERT_EQ(runProcess({V2_CMAKE, "--install", V2_BUILD_DIR, "--prefix", prefix.string()}), 0);
    const fs::path game = prefix / "lib" / "vextorium2";
    for (const char* name : {"vextorium2", "BrickMap.dat", "blast.wav", "hit.wav", "music.wav",
                             "menudown.wav", "menuup.wav", "Action.wav"})
        EXPECT_TRUE(fs::exists(game / name)) << name;
    EXPECT_TRUE(fs::is_symlink(prefix / "bin" / "vextorium2"));
    EXPECT_TRUE(fs::exists(prefix / "bin" / "scoreserver"));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::string px = std::to_string(size);
        EXPECT_TRUE(
            fs::exists(prefix / "share/icons/hicolor" / (px + "x" + px) / "apps/vextorium2.png"));
    }
    const fs::path entry = prefix / "share/applications/vextorium2.desktop";
    ASSERT_TRUE(fs::exists(entry));
    // The entry names the game under the configured prefix; here that prefix is the test's.
    std::string exec = desktopExec(entry);
    ASSERT_EQ(exec.rfind(V2_INSTALL_PREFIX, 0), 0u) << exec;
    exec = prefix.string() + exec.substr(std::string(V2_INSTALL_PREFIX).size());

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
