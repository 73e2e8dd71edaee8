// End-to-end cases: the replay runner (or the game itself) as a real process in a temporary
// program directory, then its trace, frames and files.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the replay runner with the script and extra arguments; returns its exit status.
    // With V2_REPLAY_COMMAND set in the environment, the command it names runs the same replay
    // too and must give the same status and the same files as the native runner.
    int replay(const std::string& script, const std::vector<std::string>& args = {});
    // The trace lines without the message-box lines (absent artwork would add some).
    std::vector<std::string> trace() const;
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // The frame in a shot equals the artwork `id` drawn whole.
    void expectFrameIsPicture(const std::string& shot, int id) const;

    std::filesystem::path dir;
};

// Runs a program with arguments and extra environment; returns its exit status (or -signal).
int runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
               int killAfterMs = -1, int killSignal = 0);
