// RecordCodec: the writer and the reader of the record's layout.
#include "record/record_codec.h"

#include <cstring>

#include "record/sha256.h"

namespace {
constexpr char kMagic[4] = {'V', '2', 'G', 'R'};
constexpr uint8_t kFormat = 1;
constexpr uint8_t kCut = 6;
constexpr uint8_t kEnd = 7;
constexpr uint32_t kShortRuns = 31;  // n below this is a run of n + 1
constexpr size_t kCheckBytes = 8;
// Beside a session's start flags: a byte with its pace follows (only below full pace).
constexpr uint8_t kPaceFollows = 32;
static_assert((RecordSession::kAllFlags & kPaceFollows) == 0);

// The check the record ends with: the first bytes of the digest of everything before it, so
// that a damaged record (a flipped byte) is never taken for another game.
std::array<uint8_t, kCheckBytes> checkOf(const uint8_t* data, size_t size) {
    const Sha256::Digest digest = Sha256::of(data, size);
    std::array<uint8_t, kCheckBytes> check;
    std::copy(digest.begin(), digest.begin() + kCheckBytes, check.begin());
    return check;
}

class Writer {
  public:
    std::vector<uint8_t> bytes;
    void byte(uint8_t b) { bytes.push_back(b); }
    void varint(uint32_t v) {
        while (v >= 0x80) {
            byte(static_cast<uint8_t>(v | 0x80));
            v >>= 7;
        }
        byte(static_cast<uint8_t>(v));
    }
    void values(const GameValues& v) {
        varint(static_cast<uint32_t>(v.level));
        varint(static_cast<uint32_t>(v.lives));
        varint(static_cast<uint32_t>(v.score));
    }
    void step(const RecordStep& s) {
        const uint8_t kind = static_cast<uint8_t>(s.kind << 5);
        if (s.kind > RecordStep::Draw) {
            byte(static_cast<uint8_t>(kind | s.value));
        } else if (s.value <= kShortRuns) {
            byte(static_cast<uint8_t>(kind | (s.value - 1)));
        } else {
            byte(static_cast<uint8_t>(kind | kShortRuns));
            varint(s.value - kShortRuns - 1);
        }
    }
};

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), left_(size) {}
    std::string fault;  // the first thing found wrong

    bool atEnd() const { return left_ == 0; }
    bool byte(uint8_t& b) {
        if (left_ == 0) return fail("the record is cut short");
        b = *data_++;
        --left_;
        return true;
    }
    bool varint(uint32_t& v) {
        v = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            uint8_t b;
            if (!byte(b)) return false;
            if (shift == 28 && b > 0x0F) return fail("a number in the record is too large");
            v |= static_cast<uint32_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return shift == 0 || b != 0 || fail("a number is not in its shortest form");
        }
        return fail("a number in the record is too large");
    }
    bool values(GameValues& v) {
        uint32_t level, lives, score;
        if (!varint(level) || !varint(lives) || !varint(score)) return false;
        v = {static_cast<int32_t>(level), static_cast<int32_t>(lives), static_cast<int32_t>(score)};
        return true;
    }
    bool bytes(uint8_t* out, size_t n) {
        if (left_ < n) return fail("the record is cut short");
        std::memcpy(out, data_, n);
        data_ += n;
        left_ -= n;
        return true;
    }
    bool fail(const char* why) {
        if (fault.empty()) fault = why;
        return false;
    }

  private:
    const uint8_t* data_;
    size_t left_;
};

// Whether `next` may follow `last` in the shortest form the session builders keep.
bool mayFollow(const RecordStep& last, const RecordStep& next) {
    if (next.kind > RecordStep::Draw || last.kind > RecordStep::Draw) return true;
    if (last.kind == next.kind) return false;
    return !(last.kind == RecordStep::Tick && next.kind == RecordStep::Draw);
}

bool readSession(Reader& in, RecordSession& session, uint64_t& steps, uint64_t maxSteps) {
    steps += kStepsPerSession;
    if (steps > maxSteps) return in.fail("the record is over the step limit");
    uint8_t state[4];
    if (!in.bytes(state, 4) || !in.values(session.start) || !in.byte(session.flags)) return false;
    session.randomState = uint32_t{state[0]} | (uint32_t{state[1]} << 8) |
                          (uint32_t{state[2]} << 16) | (uint32_t{state[3]} << 24);
    if ((session.flags & kPaceFollows) != 0) {
        uint8_t pace;
        if (!in.byte(pace)) return false;
        // Full pace is written by leaving the byte out: the one encoding.
        if (pace == 100 || !recordablePace(pace)) return in.fail("a session's pace is damaged");
        session.pace = pace;
        session.flags &= static_cast<uint8_t>(~kPaceFollows);
    }
    if ((session.flags & ~RecordSession::kAllFlags) != 0)
        return in.fail("a session's start is damaged");
    for (;;) {
        uint8_t op;
        if (!in.byte(op)) return false;
        const uint8_t kind = op >> 5, n = op & 31;
        if (kind == kEnd || kind == kCut) {
            if (n != 0) return in.fail("a session's end is damaged");
            if (kind == kEnd) return true;
            GameValues cut;
            if (!in.values(cut)) return false;
            session.cut = cut;
            return true;
        }
        RecordStep step{static_cast<RecordStep::Kind>(kind), n};
        if (kind <= RecordStep::Draw) {
            step.value = n + 1;
            if (n == kShortRuns) {
                uint32_t more;
                if (!in.varint(more)) return false;
                if (more > UINT32_MAX - kShortRuns - 1) return in.fail("a run is too long");
                step.value = kShortRuns + 1 + more;
            }
        } else if ((kind == RecordStep::Press && n >= kRecordKeys) ||
                   (kind != RecordStep::Press && n != 0)) {
            return in.fail("a step of the record is damaged");
        }
        if (!session.steps.empty() && !mayFollow(session.steps.back(), step))
            return in.fail("the record is not in its shortest form");
        steps += stepCost(step);
        if (steps > maxSteps) return in.fail("the record is over the step limit");
        session.steps.push_back(step);
    }
}
}  // namespace

std::vector<uint8_t> RecordCodec::encode(const GameRecord& record) {
    Writer out;
    for (char c : kMagic) out.byte(static_cast<uint8_t>(c));
    out.byte(kFormat);
    out.varint(record.rulesVersion);
    for (uint8_t b : record.levelHash) out.byte(b);
    out.varint(static_cast<uint32_t>(record.sessions.size()));
    for (const RecordSession& session : record.sessions) {
        for (int i = 0; i < 4; ++i) out.byte(static_cast<uint8_t>(session.randomState >> (8 * i)));
        out.values(session.start);
        if (session.pace == 100) {
            out.byte(session.flags);
        } else {
            out.byte(static_cast<uint8_t>(session.flags | kPaceFollows));
            out.byte(static_cast<uint8_t>(session.pace));
        }
        for (const RecordStep& step : session.steps) out.step(step);
        if (session.cut) {
            out.byte(kCut << 5);
            out.values(*session.cut);
        } else {
            out.byte(kEnd << 5);
        }
    }
    for (uint8_t b : checkOf(out.bytes.data(), out.bytes.size())) out.byte(b);
    return out.bytes;
}

RecordCodec::Result RecordCodec::decode(const uint8_t* data, size_t size, uint64_t maxSteps) {
    Reader in(data, size);
    Result result;
    GameRecord record;
    uint8_t magic[4], format;
    if (!in.bytes(magic, 4) || std::memcmp(magic, kMagic, 4) != 0 || !in.byte(format) ||
        format != kFormat) {
        result.reason = "not a game record";
        return result;
    }
    uint32_t sessions = 0;
    uint64_t steps = size;
    if (in.varint(record.rulesVersion) && in.bytes(record.levelHash.data(), 32) &&
        in.varint(sessions)) {
        // Each session takes at least nine bytes: the count is never trusted beyond them.
        for (uint32_t i = 0; i < sessions; ++i) {
            RecordSession session;
            if (!readSession(in, session, steps, maxSteps)) break;
            record.sessions.push_back(std::move(session));
        }
        std::array<uint8_t, kCheckBytes> check;
        if (in.fault.empty() && in.bytes(check.data(), check.size())) {
            if (!in.atEnd())
                in.fail("bytes follow the record's end");
            else if (check != checkOf(data, size - kCheckBytes))
                in.fail("the record is damaged");
        }
    }
    if (!in.fault.empty()) {
        result.reason = in.fault;
        return result;
    }
    result.record = std::move(record);
    result.steps = steps;
    return result;
}
