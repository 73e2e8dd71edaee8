// FilledFifo: mkfifo, a writer held open with the bytes inside, and a watchdog that lets a
// waiting reader go.
#include "tests/support/filled_fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace testing_support {

namespace {
// Far longer than any correct reader needs; only a reader that waits on the FIFO sees it.
constexpr auto kPatience = std::chrono::seconds(5);
}  // namespace

FilledFifo::FilledFifo(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (::mkfifo(path.c_str(), 0644) != 0) return;
    // Read-write opens a FIFO without waiting for the other end (Linux).
    writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (writer < 0) return;
    if (::write(writer, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        ::close(writer);
        writer = -1;
        return;
    }
    filled = true;
    watchdog = std::thread([this] {
        std::unique_lock<std::mutex> lock(mutex);
        if (stopped.wait_for(lock, kPatience, [this] { return done; })) return;
        // A reader stuck on the FIFO: with no writer left it reads the bytes, then the end.
        ::close(writer);
        writer = -1;
    });
}

FilledFifo::~FilledFifo() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    stopped.notify_all();
    if (watchdog.joinable()) watchdog.join();
    if (writer >= 0) ::close(writer);
}

}  // namespace testing_support
