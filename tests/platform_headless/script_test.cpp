// The replay script: events in time order, a press's key-up, comments, and bad lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace {

using platform::headless::ScriptEvent;
using Kind = ScriptEvent::Kind;

// The events as "MS kind value file" lines, or the error.
std::vector<std::string> parse(const std::string& script) {
    std::istringstream in(script);
    std::vector<ScriptEvent> events;
    std::string error;
    if (!platform::headless::parseScript(in, events, error)) return {error};
    EXPECT_TRUE(error.empty());
    static const char* const kKinds[] = {"down",    "up",    "activate", "focus", "close", "shot",
                                         "pointer", "click", "unclick",  "leave", "char"};
    std::vector<std::string> lines;
    for (const ScriptEvent& e : events)
        lines.push_back(std::to_string(e.ms) + " " + kKinds[static_cast<int>(e.kind)] + " " +
                        std::to_string(e.value) + (e.file.empty() ? "" : " " + e.file));
    return lines;
}

std::string key(uint32_t code) {
    return std::to_string(code);
}

}  // namespace

TEST(ReplayScript, EventsInTimeOrderWithEachPressReleasedOneMillisecondLater) {
    const std::string script =
        "# opening comment\n"
        "\n"
        "   \t  \n"
        "0 activate 1   # the window comes up\n"
        "10 press left\n"
        "10 down action\n"
        "10 press right#no space before the comment\n"
        "11 up action\n"
        "11 shot title.png\n"
        "  12   focus   0  \n"
        "12 close\n";
    const std::string left = key(platform::kKeyLeft);
    const std::string right = key(platform::kKeyRight);
    const std::string action = key(platform::kKeyAction);
    // The presses' key-ups land at 11 ahead of the lines written for 11, in the order of
    // their presses.
    EXPECT_EQ(parse(script),
              (std::vector<std::string>{"0 activate 1", "10 down " + left, "10 down " + action,
                                        "10 down " + right, "11 up " + left, "11 up " + right,
                                        "11 up " + action, "11 shot 0 title.png", "12 focus 0",
                                        "12 close 0"}));
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("# only a comment").empty());
    // The last time a press can take: its key-up still fits in 32 bits.
    EXPECT_EQ(parse("4294967294 press home"),
              (std::vector<std::string>{"4294967294 down " + key(platform::kKeyHome),
                                        "4294967295 up " + key(platform::kKeyHome)}));
    // Every key name.
    EXPECT_EQ(parse("1 down up\n1 down down\n1 down lsoft\n1 down rsoft").size(), 4u);
}

TEST(ReplayScript, FirstBadLineIsReportedWithItsReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"1 close\nx1 close", "script line 2: bad time 'x1'"},
        {"-1 close", "script line 1: bad time '-1'"},
        {"4294967295 close", "script line 1: bad time '4294967295'"},
        {"99999999999 close", "script line 1: bad time '99999999999'"},
        {"20 close\n# fine\n19 close", "script line 3: time goes backwards"},
        {"5 down left now", "script line 1: too many words"},
        {"5 press jump", "script line 1: unknown key 'jump'"},
        {"5 up", "script line 1: unknown key ''"},
        {"5 focus 2", "script line 1: focus takes 0 or 1"},
        {"5 activate", "script line 1: activate takes 0 or 1"},
        {"5 close 1", "script line 1: close takes no argument"},
        {"5 shot", "script line 1: shot needs a file name"},
        {"5 Press left", "script line 1: unknown event 'Press'"},
        {"5", "script line 1: unknown event ''"},
        {"5 close\n6 bad\n7 worse", "script line 2: unknown event 'bad'"},
        {"5 pointer 176 0", "script line 1: pointer takes X 0..175 and Y 0..219"},
        {"5 pointer 0 220", "script line 1: pointer takes X 0..175 and Y 0..219"},
        {"5 pointer 10", "script line 1: pointer takes X 0..175 and Y 0..219"},
        {"5 pointer -1 3", "script line 1: pointer takes X 0..175 and Y 0..219"},
        {"5 pointer 1 2 3", "script line 1: too many words"},
        {"5 click 1 2", "script line 1: too many words"},
        {"5 leave now", "script line 1: leave takes no argument"},
        {"5 type", "script line 1: type needs the text to type"},
        {"5 type AB CD", "script line 1: too many words"},
        {"5 type A\xC3\xA9", "script line 1: type takes printable ASCII only"},
        {"5 backspace 1", "script line 1: backspace takes no argument"},
    };
    for (const auto& [script, error] : cases)
        EXPECT_EQ(parse(script), std::vector<std::string>{error}) << script;
}

// The pointer's place is x | (y << 16); a click lands where the pointer last moved (at 0, 0
// before any move) and is released one millisecond later.
TEST(ReplayScript, PointerMovesClicksAndLeaves) {
    EXPECT_EQ(
        parse("3 click\n"
              "5 pointer 175 219\n"
              "5 click\n"
              "6 pointer 0 1\n"
              "7 leave\n"),
        (std::vector<std::string>{
            "3 click 0", "4 unclick 0", "5 pointer " + std::to_string(175 + (219 << 16)),
            "5 click " + std::to_string(175 + (219 << 16)),
            "6 unclick " + std::to_string(175 + (219 << 16)), "6 pointer 65536", "7 leave 0"}));
}

// Typed text: one character event a character, in order, at its millisecond; Backspace is 8.
TEST(ReplayScript, TypedTextAndBackspace) {
    EXPECT_EQ(parse("2 type Ab7\n2 backspace\n3 type ~\n"),
              (std::vector<std::string>{"2 char 65", "2 char 98", "2 char 55", "2 char 8",
                                        "3 char 126"}));
}
