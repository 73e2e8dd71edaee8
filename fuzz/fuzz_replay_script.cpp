// Fuzz target: a replay script of any content through the script parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<platform::headless::ScriptEvent> events;
    std::string error;
    if (!platform::headless::parseScript(in, events, error)) {
        check(error.rfind("script line ", 0) == 0);
        return 0;
    }
    check(error.empty());
    using Kind = platform::headless::ScriptEvent::Kind;
    for (size_t i = 0; i < events.size(); ++i) {
        if (i > 0) check(events[i - 1].ms <= events[i].ms);
        const auto& e = events[i];
        if (e.kind == Kind::Activate || e.kind == Kind::Focus) check(e.value <= 1);
        if (e.kind == Kind::Shot) check(!e.file.empty());
        // Every place the pointer is given lies in the frame.
        if (e.kind >= Kind::PointerMove)
            check(platform::pointerX(static_cast<int32_t>(e.value)) < 176 &&
                  platform::pointerY(static_cast<int32_t>(e.value)) < 220);
    }
    return 0;
}
