// GameRecord: the session builders and the key table.
#include "record/game_record.h"

#include <algorithm>

#include "platform/window.h"

namespace {
constexpr uint32_t kKeyCodes[kRecordKeys] = {
    platform::kKeyAction, platform::kKeyLeft,     platform::kKeyUp,        platform::kKeyRight,
    platform::kKeyDown,   platform::kKeyLeftSoft, platform::kKeyRightSoft,
};
}  // namespace

int keyIndex(uint32_t code) {
    for (int i = 0; i < kRecordKeys; ++i)
        if (kKeyCodes[i] == code) return i;
    return -1;
}

uint32_t keyCode(uint32_t index) {
    return index < kRecordKeys ? kKeyCodes[index] : 0;
}

uint32_t gamePace(const GameRecord& record) {
    uint32_t pace = 100;
    for (const RecordSession& session : record.sessions) pace = std::min(pace, session.pace);
    return pace;
}

uint64_t stepCost(const RecordStep& step) {
    switch (step.kind) {
        case RecordStep::TickDraw:
            return 2 * uint64_t{step.value};
        case RecordStep::Tick:
            return 0;
        case RecordStep::Draw:
            return step.value;
        default:
            return 1;
    }
}

void RecordSession::addRun(RecordStep::Kind kind, uint32_t count) {
    if (!steps.empty() && steps.back().kind == kind) {
        steps.back().value += count;
    } else {
        steps.push_back({kind, count});
    }
}

void RecordSession::addTick() {
    addRun(RecordStep::Tick, 1);
}

// A draw right after a tick joins it into a tick-and-draw pair.
void RecordSession::addDraw() {
    if (steps.empty() || steps.back().kind != RecordStep::Tick) {
        addRun(RecordStep::Draw, 1);
        return;
    }
    if (--steps.back().value == 0) steps.pop_back();
    addRun(RecordStep::TickDraw, 1);
}

void RecordSession::addPress(uint32_t index) {
    steps.push_back({RecordStep::Press, index});
}
void RecordSession::addRelease() {
    steps.push_back({RecordStep::Release, 0});
}
void RecordSession::addPause() {
    steps.push_back({RecordStep::Pause, 0});
}

uint64_t stepCount(const RecordSession& session) {
    uint64_t count = kStepsPerSession;
    for (const RecordStep& step : session.steps) count += stepCost(step);
    return count;
}
