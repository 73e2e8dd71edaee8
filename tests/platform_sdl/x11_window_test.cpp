// The window on a real X server (Xvfb): the frame letterboxed on screen, keys typed and the
// mouse moved with xdotool, Alt+Enter kept out of the game. Skipped where Xvfb or the X tools
// are missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/display.h"
#include "platform/sdl/game_window.h"
#include "platform/sdl/letterbox.h"
#include "platform/window.h"
#include "tests/platform_sdl/idle_pass.h"

extern char** environ;

namespace platform {
namespace {

using Seen = std::vector<std::pair<uint32_t, uint32_t>>;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
constexpr int kMaxCalls = 5000;  // bounds every wait so a broken setup fails, not hangs

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::string rest = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find(':', start);
        if (end == std::string::npos) end = rest.size();
        if (::access((rest.substr(start, end - start) + "/" + tool).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

pid_t spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

class X11WindowTest : public ::testing::Test {
  protected:
    // The frame's place in the window, and the window's place on the screen in x and y.
    static Letterbox windowLetterbox(int& x, int& y) {
        int width = 0;
        int height = 0;
        SDL_GetWindowPosition(gameWindow().sdlWindow(), &x, &y);
        SDL_GetWindowSize(gameWindow().sdlWindow(), &width, &height);
        return fitFrame(width, height);
    }
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "import"}) {
            if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";
        }
    }

    // Runs the body in a child process with its own Xvfb and window. The child leaves without
    // exit handlers, so what the X and D-Bus libraries keep until exit is not counted as our
    // leak; its failures are printed as they happen and reported through its exit status.
    void inChild(const std::function<void()>& body) {
        std::fflush(stdout);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            start();
            if (!HasFailure()) body();
            stop();
            std::fflush(stdout);
            std::fflush(stderr);
            _exit(HasFailure() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the X run failed";
    }

    void start() {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        server = ::fork();
        ASSERT_GE(server, 0);
        if (server == 0) {
            ::close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            const std::string screen =
                std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(pipeFds[1]);
        std::string number;
        char c = 0;
        while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(pipeFds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);  // fail loudly instead of falling back
        setenv("SDL_RENDER_DRIVER", "software", 1);
        ASSERT_TRUE(createWindow("Vextorium2"));
        showWindow();
        openDisplay();
    }

    void stop() {
        closeDisplay();
        destroyWindow();
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    }

    // Runs a tool while the window keeps taking its messages; returns what arrived.
    Seen runWhilePolling(const std::vector<std::string>& command) {
        Seen seen;
        const pid_t tool = spawn(command);
        EXPECT_GT(tool, 0);
        int status = 0;
        bool running = tool > 0;
        for (int i = 0; i < kMaxCalls && running; ++i) {
            Message message;
            if (takeOrWait(message)) keep(message, seen);
            running = ::waitpid(tool, &status, WNOHANG) == 0;
        }
        pollFor(50, seen);
        return seen;
    }

    void pollFor(int calls, Seen& seen) {
        for (int i = 0; i < calls; ++i) {
            Message message;
            if (takeOrWait(message)) keep(message, seen);
        }
    }

    void keep(const Message& message, Seen& seen) {
        seen.emplace_back(message.id, message.wordParam);
        if (message.id >= kMsgPointerMove && message.id <= kMsgPointerLeave)
            pointer.emplace_back(message.id, message.longParam);
    }

    static Seen keysOnly(const Seen& seen) {
        Seen keys;
        for (const auto& m : seen) {
            if (m.first == kMsgKeyDown || m.first == kMsgKeyUp) keys.push_back(m);
        }
        return keys;
    }

    // The screen as 8-bit RGB triples, taken by ImageMagick's import.
    std::vector<uint8_t> screenshot() {
        const std::string file = (std::filesystem::temp_directory_path() /
                                  ("v2_x11_" + std::to_string(::getpid()) + ".rgb"))
                                     .string();
        runWhilePolling(
            {"import", "-display", display, "-window", "root", "-depth", "8", "rgb:" + file});
        std::ifstream in(file, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        std::filesystem::remove(file);
        return bytes;
    }

    pid_t server = -1;
    std::string display;
    std::vector<std::pair<uint32_t, int32_t>> pointer;  // pointer messages and their places
};

TEST_F(X11WindowTest, FrameIsLetterboxedOnScreen) {
    inChild([this] {
        uint16_t* frame = beginDraw();
        for (int i = 0; i < kFrameWidth * kFrameHeight; ++i) frame[i] = 0x001F;  // blue
        frame[0] = 0xF800;                                                       // red corner
        Seen seen;
        for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 0; ++i) pollFor(1, seen);
        ASSERT_GE(gameWindow().presentCount(), 1);
        pollFor(200, seen);

        int x = 0;
        int y = 0;
        const Letterbox box = windowLetterbox(x, y);
        const std::vector<uint8_t> shot = screenshot();
        ASSERT_EQ(shot.size(), static_cast<size_t>(kScreenWidth * kScreenHeight * 3));
        auto rgb = [&](int px, int py) {
            const size_t at = (static_cast<size_t>(py) * kScreenWidth + px) * 3;
            return (shot[at] << 16) | (shot[at + 1] << 8) | shot[at + 2];
        };
        const int left = x + box.x;
        const int top = y + box.y;
        EXPECT_EQ(rgb(left, top), 0xFF0000);
        EXPECT_EQ(rgb(left + box.scale - 1, top + box.scale - 1), 0xFF0000);
        EXPECT_EQ(rgb(left + box.scale, top), 0x0000FF);
        EXPECT_EQ(rgb(left + box.width - 1, top + box.height - 1), 0x0000FF);
        if (box.x > 0) {
            EXPECT_EQ(rgb(left - 1, top), 0x000000);
        }
        if (box.y > 0) {
            EXPECT_EQ(rgb(left, top - 1), 0x000000);
        }
    });
}

TEST_F(X11WindowTest, TypedKeysArriveAndAltEnterStaysInTheBackEnd) {
    inChild([this] {
        Seen seen;
        for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 0; ++i) pollFor(1, seen);
        runWhilePolling(
            {"xdotool", "search", "--sync", "--name", "Vextorium2", "windowfocus", "--sync"});
        Seen keys = keysOnly(runWhilePolling({"xdotool", "key", "Return", "Left", "F1", "Escape"}));
        EXPECT_EQ(keys, (Seen{{0x100, 0x0D},
                              {0x101, 0x0D},
                              {0x100, 0x25},
                              {0x101, 0x25},
                              {0x100, 0x70},
                              {0x101, 0x70},
                              {0x100, 0x5B},
                              {0x101, 0x5B}}));
        const bool wasFullScreen = gameWindow().isFullScreen();
        keys = keysOnly(runWhilePolling({"xdotool", "key", "alt+Return"}));
        EXPECT_EQ(keys, Seen{});
        EXPECT_NE(gameWindow().isFullScreen(), wasFullScreen);
    });
}

// The real mouse, moved and clicked by xdotool, arrives in frame pixels through the letterbox.
TEST_F(X11WindowTest, MouseArrivesInFramePixels) {
    inChild([this] {
        Seen seen;
        for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 0; ++i) pollFor(1, seen);
        runWhilePolling({"xdotool", "search", "--sync", "--name", "Vextorium2", "windowfocus",
                         "--sync", "mousemove", "--sync", "0", "0"});
        int x = 0;
        int y = 0;
        const Letterbox box = windowLetterbox(x, y);
        ASSERT_GT(box.x, 0);
        pointer.clear();
        const int inside = x + box.x + box.scale * 100 + 1;
        runWhilePolling({"xdotool", "mousemove", "--sync", std::to_string(inside),
                         std::to_string(y + box.y + box.scale * 50 + 1), "click", "1"});
        runWhilePolling({"xdotool", "mousemove", "--sync", std::to_string(x + box.x - 1),
                         std::to_string(y + box.y + 10)});
        const int32_t place = 100 | 50 << 16;
        EXPECT_EQ(pointer, (std::vector<std::pair<uint32_t, int32_t>>{{kMsgPointerMove, place},
                                                                      {kMsgPointerDown, place},
                                                                      {kMsgPointerUp, place},
                                                                      {kMsgPointerLeave, 0}}));
    });
}

}  // namespace
}  // namespace platform
