// End-to-end fixture: spawn, wait, read back.
#include "tests/e2e/e2e_fixture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "graphics/image.h"
#include "tests/support/png_reader.h"

extern char** environ;

int runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               int killAfterMs, int killSignal) {
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> fullEnv(env);
    for (char** e = environ; *e != nullptr; ++e) fullEnv.emplace_back(*e);
    for (auto& e : fullEnv) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) return -1000;
    if (killAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        ::kill(pid, killSignal);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1001;
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

void EndToEnd::SetUp() {
    dir = std::filesystem::temp_directory_path() /
          ("v2-e2e-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    // The shipped levels and sounds, as beside the real program.
    for (const char* name : {"BrickMap.dat", "blast.wav", "hit.wav", "music.wav", "menudown.wav",
                             "menuup.wav", "Action.wav"}) {
        std::filesystem::path from = std::filesystem::path(V2_BIN_DIR) / name;
        if (std::filesystem::exists(from)) std::filesystem::copy_file(from, dir / name);
    }
}

void EndToEnd::TearDown() {
    if (!HasFailure()) std::filesystem::remove_all(dir);
}

int EndToEnd::replay(const std::string& script, const std::vector<std::string>& args) {
    // Shots are written relative to the working directory: put them in the program directory.
    std::string text;
    for (size_t start = 0; start < script.size();) {
        size_t end = script.find('\n', start);
        if (end == std::string::npos) end = script.size();
        std::string line = script.substr(start, end - start);
        if (size_t shot = line.find(" shot "); shot != std::string::npos)
            line = line.substr(0, shot + 6) + path(line.substr(shot + 6));
        text += line + "\n";
        start = end + 1;
    }
    std::ofstream(dir / "script.txt") << text;
    std::vector<std::string> argv = {"--dir",   dir.string(),     "--script", path("script.txt"),
                                     "--trace", path("trace.txt")};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> native = {V2_REPLAY};
    native.insert(native.end(), argv.begin(), argv.end());
    const char* other = std::getenv("V2_REPLAY_COMMAND");
    if (other == nullptr || *other == '\0') return runProcess(native);

    // Another build of the runner (e.g. "node build-web/bin/vextorium2-replay.js"): the native
    // runner first, then the other one in the same directory with the same starting files; both
    // give the same status and leave the same files, byte for byte.
    namespace fs = std::filesystem;
    const fs::path start = dir.string() + "-start", nativeDir = dir.string() + "-native";
    fs::remove_all(start);
    fs::remove_all(nativeDir);
    fs::copy(dir, start, fs::copy_options::recursive);
    const int nativeStatus = runProcess(native);
    fs::rename(dir, nativeDir);
    fs::rename(start, dir);
    std::vector<std::string> command;
    std::istringstream words(other);
    for (std::string word; words >> word;) command.push_back(word);
    command.insert(command.end(), argv.begin(), argv.end());
    const int status = runProcess(command);
    EXPECT_EQ(status, nativeStatus) << other;
    auto files = [](const fs::path& root) {
        std::map<std::string, std::string> contents;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            contents[fs::relative(entry.path(), root).string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
        return contents;
    };
    const auto mine = files(dir), theirs = files(nativeDir);
    for (const auto& [name, bytes] : theirs) {
        const auto found = mine.find(name);
        if (found == mine.end())
            ADD_FAILURE() << name << " missing after " << other;
        else
            EXPECT_TRUE(found->second == bytes) << name << " differs after " << other;
    }
    for (const auto& [name, bytes] : mine)
        EXPECT_TRUE(theirs.contains(name)) << name << " only after " << other;
    if (!HasFailure()) fs::remove_all(nativeDir);
    return status;
}

std::vector<std::string> EndToEnd::trace() const {
    std::vector<std::string> lines;
    std::ifstream in(dir / "trace.txt");
    for (std::string line; std::getline(in, line);) {
        if (line.find(" message ") == std::string::npos) lines.push_back(line);
    }
    return lines;
}

void EndToEnd::expectFrameIsPicture(const std::string& shot, int id) const {
    const auto frame = testing_support::readFramePng(path(shot));
    ASSERT_EQ(frame.size(), 176u * 220u) << shot;
    Image picture(nullptr, id);
    ASSERT_EQ(picture.width, 176) << id;
    int differing = 0;
    for (int i = 0; i < 176 * 220; ++i) differing += frame[i] != picture.pixels[i] ? 1 : 0;
    EXPECT_EQ(differing, 0) << shot << " against picture " << id;
}
