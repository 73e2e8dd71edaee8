// The replay script: `MS EVENT [ARG]` lines into ordered events.
#include <algorithm>
#include <sstream>

#include "platform/display.h"
#include "platform/headless/headless.h"

namespace platform::headless {
namespace {

struct KeyName {
    const char* name;
    uint32_t code;
};
constexpr KeyName kKeys[] = {
    {"action", kKeyAction}, {"left", kKeyLeft}, {"up", kKeyUp},          {"right", kKeyRight},
    {"down", kKeyDown},     {"home", kKeyHome}, {"lsoft", kKeyLeftSoft}, {"rsoft", kKeyRightSoft},
};

std::optional<uint32_t> keyCode(const std::string& name) {
    for (const KeyName& k : kKeys) {
        if (name == k.name) return k.code;
    }
    return std::nullopt;
}

std::optional<uint32_t> parseNumber(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFEull) return std::nullopt;  // MS + 1 of a press must still fit
    return static_cast<uint32_t>(v);
}

}  // namespace

bool parseScript(std::istream& in, std::vector<ScriptEvent>& events, std::string& error) {
    struct Numbered {
        ScriptEvent event;
        size_t line;
    };
    std::vector<Numbered> parsed;
    std::string raw;
    size_t lineNo = 0;
    uint32_t lastMs = 0;
    uint32_t pointerAt = 0;  // where the pointer last moved: a click's place
    while (std::getline(in, raw)) {
        ++lineNo;
        if (size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
        std::istringstream words(raw);
        std::string msText, name, arg, extra, more;
        if (!(words >> msText)) continue;
        words >> name >> arg >> extra >> more;
        // A press or a click: the down event, and its release one millisecond later.
        auto pushWithRelease = [&](const ScriptEvent& down, ScriptEvent::Kind release) {
            parsed.push_back({down, lineNo});
            ScriptEvent up = down;
            up.kind = release;
            up.ms = down.ms + 1;
            parsed.push_back({up, lineNo});
        };
        auto fail = [&](const std::string& why) {
            error = "script line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        auto ms = parseNumber(msText);
        if (!ms) return fail("bad time '" + msText + "'");
        if (*ms < lastMs) return fail("time goes backwards");
        lastMs = *ms;
        if (!more.empty() || (!extra.empty() && name != "pointer")) return fail("too many words");
        ScriptEvent e;
        e.ms = *ms;
        if (name == "down" || name == "up" || name == "press") {
            auto code = keyCode(arg);
            if (!code) return fail("unknown key '" + arg + "'");
            e.value = *code;
            e.kind = name == "up" ? ScriptEvent::Kind::KeyUp : ScriptEvent::Kind::KeyDown;
            if (name == "press")
                pushWithRelease(e, ScriptEvent::Kind::KeyUp);
            else
                parsed.push_back({e, lineNo});
        } else if (name == "activate" || name == "focus") {
            if (arg != "0" && arg != "1") return fail(name + " takes 0 or 1");
            e.kind = name == "activate" ? ScriptEvent::Kind::Activate : ScriptEvent::Kind::Focus;
            e.value = arg == "1" ? 1 : 0;
            parsed.push_back({e, lineNo});
        } else if (name == "close") {
            if (!arg.empty()) return fail("close takes no argument");
            e.kind = ScriptEvent::Kind::Close;
            parsed.push_back({e, lineNo});
        } else if (name == "shot") {
            if (arg.empty()) return fail("shot needs a file name");
            e.kind = ScriptEvent::Kind::Shot;
            e.file = arg;
            parsed.push_back({e, lineNo});
        } else if (name == "type") {
            if (arg.empty()) return fail("type needs the text to type");
            e.kind = ScriptEvent::Kind::Char;
            for (char c : arg) {
                if (c < '!' || c > '~') return fail("type takes printable ASCII only");
                e.value = static_cast<uint32_t>(c);
                parsed.push_back({e, lineNo});
            }
        } else if (name == "backspace") {
            if (!arg.empty()) return fail("backspace takes no argument");
            e.kind = ScriptEvent::Kind::Char;
            e.value = kCharBackspace;
            parsed.push_back({e, lineNo});
        } else if (name == "pointer") {
            auto x = parseNumber(arg);
            auto y = parseNumber(extra);
            if (!x || !y || *x >= static_cast<uint32_t>(kFrameWidth) ||
                *y >= static_cast<uint32_t>(kFrameHeight))
                return fail("pointer takes X 0..175 and Y 0..219");
            e.kind = ScriptEvent::Kind::PointerMove;
            e.value =
                static_cast<uint32_t>(packPointer(static_cast<int>(*x), static_cast<int>(*y)));
            pointerAt = e.value;
            parsed.push_back({e, lineNo});
        } else if (name == "click" || name == "leave") {
            if (!arg.empty()) return fail(name + " takes no argument");
            e.value = name == "click" ? pointerAt : 0;
            e.kind =
                name == "leave" ? ScriptEvent::Kind::PointerLeave : ScriptEvent::Kind::PointerDown;
            if (name == "click")
                pushWithRelease(e, ScriptEvent::Kind::PointerUp);
            else
                parsed.push_back({e, lineNo});
        } else {
            return fail("unknown event '" + name + "'");
        }
    }
    // By millisecond; within one, in script order (a press's key-up sits at its own line).
    std::stable_sort(parsed.begin(), parsed.end(), [](const Numbered& a, const Numbered& b) {
        return a.event.ms != b.event.ms ? a.event.ms < b.event.ms : a.line < b.line;
    });
    events.clear();
    for (Numbered& n : parsed) events.push_back(std::move(n.event));
    return true;
}

}  // namespace platform::headless
