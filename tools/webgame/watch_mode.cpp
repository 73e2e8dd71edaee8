// Watching a game: the record is checked as the server's verifier checks it, then played by
// RecordPlayer in a scratch directory of the page's memory. The page's listeners are never
// attached and the storage is never mounted, so nothing the viewer does reaches the game and
// nothing of the player's own game is read or changed.
#include "tools/webgame/watch_mode.h"

#include <emscripten.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/window.h"
#include "record/record_check.h"
#include "record/record_codec.h"
#include "record/sha256.h"
#include "shell/pace.h"
#include "shell/record_player.h"

// The watch page's side (watch.js): the record's bytes, the chosen speed (0 while paused) and
// the verdict at the end.
// clang-format off
EM_JS(int, v2WatchRecordLength, (), {
    return Module.v2Watch && Module.v2Watch.record ? Module.v2Watch.record.length : -1;
});
EM_JS(void, v2WatchCopyRecord, (uint8_t* to), {
    HEAPU8.set(Module.v2Watch.record, to);
});
// A game played on a level set other than the built-in one: the page fetches the set the record
// names (its file's SHA-256) and answers its length, or -1 having said itself why it has none.
EM_ASYNC_JS(int, v2WatchFetchSet, (const char* id), {
    return await Module.v2Watch.fetchSet(UTF8ToString(id));
});
EM_JS(void, v2WatchCopySet, (uint8_t* to), {
    HEAPU8.set(Module.v2Watch.levels, to);
});
EM_JS(int, v2WatchSpeed, (), {
    return Module.v2Watch.paused ? 0 : Module.v2Watch.speed;
});
EM_JS(void, v2WatchEnded, (int proven, int score, const char* reason), {
    if (Module.v2Watch.ended) Module.v2Watch.ended(proven !== 0, score, UTF8ToString(reason));
});
// clang-format on

namespace {

constexpr const char* kLevelFile = "/game/BrickMap.dat";
// In the page's memory only: the game's own writes (scores, saved game) land here and are gone
// with the page.
constexpr const char* kScratchDirectory = "/watching/";
// While paused the loop sleeps this long at most; the page's buttons end the sleep at once.
constexpr uint32_t kPausedWaitMs = 250;
// A page that was hidden (its timers held back) resumes from where it is rather than racing
// through the ticks it missed.
constexpr double kMaxLagMs = 100;

int ended(bool proven, int score, const std::string& reason) {
    v2WatchEnded(proven ? 1 : 0, score, reason.c_str());
    return 0;
}

// After every tick played: the frame shown (any message dropped), then the wait until the
// next tick is due at the page's speed, or for as long as it is paused. At speed 1 a game plays
// at the pace its player played it at (a session at half pace every 22 ms), so the viewer sees
// it as it was played; the page's speeds multiply that pace.
class Pacer {
  public:
    explicit Pacer(const RecordPlayer* const& player) : player_(player) {}
    void operator()() {
        platform::Message message;
        while (platform::takeMessage(message)) {
        }
        if (const int speed = v2WatchSpeed(); speed > 0) {
            const double now = emscripten_get_now();
            if (due_ < 0 || now - due_ > kMaxLagMs) due_ = now;
            const double pace = player_ != nullptr ? player_->pace() : 100;
            due_ += static_cast<double>(kMsPerTick) * 100 / (pace * speed);
            // Always a sleep, if only of 0 ms: the page gets its turn to draw and take clicks.
            platform::sleepMs(due_ > now ? static_cast<uint32_t>(std::lround(due_ - now)) : 0);
        }
        // Checked after the sleep too, so that a pause clicked during it stops the next tick.
        while (v2WatchSpeed() <= 0) {
            platform::sleepMs(kPausedWaitMs);
            due_ = -1;
        }
    }

  private:
    const RecordPlayer* const& player_;
    double due_ = -1;
};

}  // namespace

bool watchRequested() {
    return v2WatchRecordLength() >= 0;
}

int watchGame() {
    std::vector<uint8_t> bytes(static_cast<size_t>(v2WatchRecordLength()));
    if (!bytes.empty()) v2WatchCopyRecord(bytes.data());
    std::ifstream in(kLevelFile, std::ios::binary);
    std::vector<uint8_t> levels{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
    // A record that names another level file than the built-in one was played on a level set:
    // it plays on the set's file, which must be the very file it names, as the verifier's
    // `--levels` plays it. A set the page cannot get is never replaced by other levels.
    const RecordCodec::Result decoded =
        RecordCodec::decode(bytes.data(), bytes.size(), kDefaultMaxSteps);
    if (decoded.record && decoded.record->levelHash != Sha256::of(levels.data(), levels.size())) {
        const int length = v2WatchFetchSet(Sha256::hex(decoded.record->levelHash).c_str());
        if (length < 0) return 0;
        std::vector<uint8_t> set(static_cast<size_t>(length));
        if (!set.empty()) v2WatchCopySet(set.data());
        if (Sha256::of(set.data(), set.size()) != decoded.record->levelHash)
            return ended(false, 0, "the server's level set is not the one the game was played on");
        levels = std::move(set);
    }

    const CheckedRecord checked = checkRecord(bytes, levels, kDefaultMaxSteps);
    if (!checked.record) return ended(false, 0, checked.reason);
    const GameRecord& record = *checked.record;

    ::mkdir(kScratchDirectory, 0755);
    {
        std::ofstream out(std::string(kScratchDirectory) + "BrickMap.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(levels.data()),
                  static_cast<std::streamsize>(levels.size()));
    }
    platform::setProgramDirectory(kScratchDirectory);
    platform::showWindow();
    const RecordPlayer* playing = nullptr;
    RecordPlayer player{Pacer(playing)};
    playing = &player;
    const PlayedRecord played = player.play(record, checked.loneTicksAllowed);
    return ended(played.proven, played.score, played.reason);
}
