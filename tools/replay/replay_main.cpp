// vextorium2-replay: the real program on the headless back end, driven by a script.
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "globals/presentation.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"
#include "shell/level_sets.h"
#include "shell/pace.h"
#include "shell/player_settings.h"
#include "tools/replay/autoplay.h"
#include "tools/replay/proof_run.h"

namespace {

constexpr const char* kUsage =
    "usage: vextorium2-replay [--dir DIR] [--seed N] [--script FILE|-] [--until MS]\n"
    "                         [--trace FILE] [--autoplay] [--web] [--touch] [--pace PERCENT]\n"
    "                         [--settings FILE] [--look LOOK]... [--cues]\n"
    "       vextorium2-replay --verify FILE [--levels FILE] [--max-steps N] [--scratch DIR]\n"
    "                         [--look LOOK]... [--cues]\n"
    "       vextorium2-replay --proof FILE [--dir DIR] [--levels FILE] [--script FILE|-]\n"
    "                         [--trace FILE] [--look LOOK]... [--cues]\n"
    "       vextorium2-replay --help | --version\n"
    "Runs the game headless on a virtual clock, one millisecond per pass of its main loop.\n"
    "  --dir DIR        the program directory (levels, sounds, saved files); default: beside\n"
    "                   this program\n"
    "  --seed N         the random seed (0 to 4294967295); default: from the clock\n"
    "  --script FILE|-  the events to deliver, one 'MS EVENT [ARG]' a line; - reads stdin\n"
    "  --until MS       stop after this virtual millisecond (0 to 4294967295)\n"
    "  --trace FILE     write the trace (screens, sounds, requests, messages, level, lives,\n"
    "                   score) to FILE\n"
    "  --autoplay       a built-in player steers the paddle and releases the ball\n"
    "  --web            the web edition's screens (its credits)\n"
    "  --touch          the screens a player with a touch screen sees\n"
    "  --settings FILE  play with the player's settings in FILE (as Settings.txt), all but its\n"
    "                   pace; by default none are read\n"
    "  --pace PERCENT   play at 100 (the default), 75 or 50 percent of full pace: the gates\n"
    "                   open every 11, about 14.7 or 22 virtual ms; the script's times and\n"
    "                   the built-in player's stay in virtual ms\n"
    "  --look LOOK      draw in a look: high-contrast or flash-safe (both may be given); in\n"
    "                   every mode, as a look changes only the pictures\n"
    "  --cues           show the sound cues (a small picture when a meaningful sound plays)\n"
    "  --verify FILE    play the game record FILE to its end and print one line: 'proven SCORE\n"
    "                   KEY' (status 0), 'refused REASON' (3) or 'unproven REASON' (4); a\n"
    "                   game played below full pace is 'proven SCORE KEY pace PERCENT'\n"
    "  --levels FILE    the level set to play (its own saved game, scores and record live\n"
    "                   in DIR's sets/ID/), or with --verify the level file a record must\n"
    "                   have been made on; default: the program directory's BrickMap.dat\n"
    "  --max-steps N    refuse a record of more ticks, draws and keys; default: 2000000\n"
    "  --scratch DIR    play the record in DIR, an empty directory its caller made and\n"
    "                   removes; default: a directory of its own under the temporary one\n"
    "  --proof FILE     play the game record FILE back with the usual trace and the script's\n"
    "                   shots (its other events are not delivered), each session at the pace\n"
    "                   it was played at\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n";

int badArguments(const std::string& reason) {
    std::cerr << "vextorium2-replay: " << reason << '\n' << kUsage;
    return kExitBadUsage;
}

std::optional<uint32_t> parseUnsigned(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<uint32_t>(v);
}

}  // namespace

int main(int argc, char** argv) {
    namespace headless = platform::headless;
    std::optional<std::string> dir, script, tracePath, settingsPath;
    std::optional<uint32_t> seed, until;
    std::optional<std::string> verifyPath, proofPath, levelsPath, scratchPath;
    uint64_t maxSteps = kDefaultMaxSteps;
    bool autoplay = false;
    bool web = false;
    bool touch = false;
    int pace = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)what;
            return std::string(argv[++i]);
        };
        if (arg == "--help") {
            std::cout << kUsage;
            return kExitOk;
        }
        if (arg == "--version") {
            std::cout << "vextorium2-replay " << VEXTORIUM2_VERSION << '\n';
            return kExitOk;
        }
        if (arg == "--autoplay") {
            autoplay = true;
        } else if (arg == "--web") {
            web = true;
        } else if (arg == "--touch") {
            touch = true;
        } else if (arg == "--cues") {
            presentation().soundCues = true;
        } else if (arg == "--look") {
            auto v = value(arg.c_str());
            if (v && *v == "high-contrast") {
                presentation().highContrast = true;
            } else if (v && *v == "flash-safe") {
                presentation().flashSafe = true;
            } else {
                return badArguments("--look needs high-contrast or flash-safe");
            }
        } else if (arg == "--dir" || arg == "--script" || arg == "--trace" || arg == "--settings") {
            auto v = value(arg.c_str());
            if (!v || v->empty()) return badArguments(arg + " needs a value");
            (arg == "--dir"      ? dir
             : arg == "--script" ? script
             : arg == "--trace"  ? tracePath
                                 : settingsPath) = *v;
        } else if (arg == "--verify" || arg == "--proof" || arg == "--levels" ||
                   arg == "--scratch") {
            auto v = value(arg.c_str());
            if (!v || v->empty()) return badArguments(arg + " needs a value");
            (arg == "--verify"   ? verifyPath
             : arg == "--proof"  ? proofPath
             : arg == "--levels" ? levelsPath
                                 : scratchPath) = *v;
        } else if (arg == "--pace") {
            auto v = value(arg.c_str());
            pace = v ? paceArgument(v->c_str()) : 0;
            if (pace == 0) return badArguments(kPaceChoices);
        } else if (arg == "--max-steps") {
            auto v = value(arg.c_str());
            auto n = v ? parseUnsigned(*v) : std::nullopt;
            if (!n || *n == 0)
                return badArguments(arg + " needs a whole number from 1 to 4294967295");
            maxSteps = *n;
        } else if (arg == "--seed" || arg == "--until") {
            auto v = value(arg.c_str());
            auto n = v ? parseUnsigned(*v) : std::nullopt;
            if (!n) return badArguments(arg + " needs a whole number from 0 to 4294967295");
            (arg == "--seed" ? seed : until) = *n;
        } else {
            return badArguments("unknown argument '" + arg + "'");
        }
    }

    headless::reset();
    if (dir) platform::setProgramDirectory(*dir);
    if (verifyPath) {
        if (proofPath || script || tracePath || autoplay || seed || until || web || touch ||
            settingsPath || pace)
            return badArguments(
                "--verify takes only --levels, --max-steps, --scratch, --dir, --look and --cues");
        return verifyRecord(*verifyPath, levelsPath, maxSteps, scratchPath);
    }
    if (scratchPath) return badArguments("--scratch goes with --verify only");
    headless::setSeed(seed);
    headless::setUntil(until);
    headless::setEdition(web, touch);
    if (script) {
        std::vector<headless::ScriptEvent> events;
        std::string error;
        bool ok;
        if (*script == "-") {
            ok = headless::parseScript(std::cin, events, error);
        } else {
            std::ifstream in(*script);
            if (!in) return badArguments("cannot read script " + *script);
            ok = headless::parseScript(in, events, error);
        }
        if (!ok) return badArguments(error);
        headless::setScript(std::move(events));
    }
    if (tracePath && !headless::setTraceFile(*tracePath))
        return badArguments("cannot write trace " + *tracePath);
    if (proofPath) {
        if (autoplay) return badArguments("--proof plays a record: no --autoplay");
        if (settingsPath) return badArguments("--proof plays a record: no --settings");
        if (pace) return badArguments("--proof plays each session at its own pace: no --pace");
        if (levelsPath) useLevelSet(*levelsPath);
        return playProof(*proofPath, maxSteps);
    }
    if (levelsPath) chooseLevelSet(*levelsPath);
    if (autoplay) installAutoplay();
    if (settingsPath) useSettingsStore(*settingsPath, false, false);
    if (pace) setPacePercent(pace);
    return runProgram();
}
