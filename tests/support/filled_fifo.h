// A FIFO standing where a data file should be, already holding bytes, that can never hang a
// test: a reader that waits on it (the fault under test) is let go after a while and reads
// the bytes, so the test fails on what was read instead of hanging.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class FilledFifo {
  public:
    // Creates the FIFO at `path` and writes `bytes` into it (they must fit the pipe buffer).
    FilledFifo(const std::string& path, const std::vector<uint8_t>& bytes);
    ~FilledFifo();
    FilledFifo(const FilledFifo&) = delete;
    FilledFifo& operator=(const FilledFifo&) = delete;

    bool ready() const { return filled; }

  private:
    bool filled = false;
    int writer = -1;  // held open, so a reader sees the bytes but no end of file
    std::mutex mutex;
    std::condition_variable stopped;
    bool done = false;
    std::thread watchdog;  // closes the writer after a while, ending any read that waits
};

}  // namespace testing_support
