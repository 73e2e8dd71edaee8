// Shared state of the headless back end's services.
#pragma once
#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace platform::headless {

struct State {
    uint32_t now = 0;
    std::vector<ScriptEvent> script;
    size_t nextEvent = 0;
    std::optional<uint32_t> until;
    std::optional<uint32_t> seed;
    bool webEdition = false;
    bool touchScreen = false;
    bool closeSent = false;
    std::deque<Message> queue;
    std::function<void(uint32_t)> autoInput;
    std::optional<uint32_t> autoInputDoneFor;
    std::vector<std::string> trace;  // kept in memory only when there is no trace file
    std::unique_ptr<std::ofstream> traceOut;
};

State& state();

// Completes every sound block whose time is up at the current virtual time.
void runDueSounds();
void resetSounds();

}  // namespace platform::headless
