// brickmap: compiles the readable level grids to BrickMap.dat, decompiles a level file back to
// text, and checks that a level table is playable.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "brick_map.h"

namespace {

constexpr int kOk = 0;
constexpr int kInvalid = 1;  // the levels break a rule
constexpr int kUsage = 2;
constexpr int kIoError = 3;

const char* kUsageText =
    "usage: brickmap compile [--raw] OUT.dat LEVELS.txt...\n"
    "       brickmap decompile IN.dat [OUT.txt]\n"
    "       brickmap validate FILE...\n"
    "       brickmap --help | --version\n"
    "  compile    text grids -> 2112-byte level file; checks the rules first unless --raw\n"
    "  decompile  level file -> text (on stdout without OUT.txt)\n"
    "  validate   check level files or texts\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "Exit status: 0 done, 1 the levels break a rule, 2 bad usage, 3 a file cannot be read or\n"
    "written.\n";

bool readBytes(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Loads a level file (binary: it holds zero bytes) or one or more level texts.
int load(const std::vector<std::string>& paths, BrickMap& map) {
    int levels = 0;
    for (const std::string& path : paths) {
        std::vector<uint8_t> bytes;
        if (!readBytes(path, bytes)) {
            std::fprintf(stderr, "brickmap: cannot read %s\n", path.c_str());
            return kIoError;
        }
        std::string error;
        bool binary = std::find(bytes.begin(), bytes.end(), 0) != bytes.end();
        if (binary) {
            if (paths.size() != 1 || !map.fromFile(bytes, error)) {
                std::fprintf(
                    stderr, "brickmap: %s: %s\n", path.c_str(),
                    error.empty() ? "a level file cannot be mixed with texts" : error.c_str());
                return kInvalid;
            }
            return kOk;
        }
        if (!map.readText(std::string(bytes.begin(), bytes.end()), path, levels, error)) {
            std::fprintf(stderr, "brickmap: %s\n", error.c_str());
            return kInvalid;
        }
    }
    if (levels != BrickMap::kLevels) {
        std::fprintf(stderr, "brickmap: found %d levels, a level table holds 3\n", levels);
        return kInvalid;
    }
    return kOk;
}

bool report(const BrickMap& map) {
    std::vector<std::string> faults = map.validate();
    for (const std::string& f : faults) std::fprintf(stderr, "brickmap: %s\n", f.c_str());
    return faults.empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (arg == "--version") {
            std::printf("brickmap %s\n", VEXTORIUM2_VERSION);
            return kOk;
        }
        // Options are spelled out in full; anything else that looks like one is a mistake,
        // not a file name.
        const bool rawOption = arg == "--raw" && i == 1 && args[0] == "compile";
        if (arg.rfind("--", 0) == 0 && !rawOption) {
            std::fprintf(stderr, "brickmap: unknown argument \"%s\"\n", arg.c_str());
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
    }
    if (args.empty()) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    BrickMap map;

    if (command == "compile") {
        bool raw = !args.empty() && args[0] == "--raw";
        if (raw) args.erase(args.begin());
        if (args.size() < 2) {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
        std::string out = args[0];
        args.erase(args.begin());
        if (int rc = load(args, map); rc != kOk) return rc;
        if (!raw && !report(map)) return kInvalid;
        std::vector<uint8_t> bytes = map.toFile();
        std::ofstream f(out, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        if (!f) {
            std::fprintf(stderr, "brickmap: cannot write %s\n", out.c_str());
            return kIoError;
        }
        return kOk;
    }
    if (command == "decompile") {
        if (args.empty() || args.size() > 2) {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
        std::vector<uint8_t> bytes;
        if (!readBytes(args[0], bytes)) {
            std::fprintf(stderr, "brickmap: cannot read %s\n", args[0].c_str());
            return kIoError;
        }
        std::string error;
        if (!map.fromFile(bytes, error)) {
            std::fprintf(stderr, "brickmap: %s: %s\n", args[0].c_str(), error.c_str());
            return kInvalid;
        }
        std::string text = map.toText();
        if (args.size() == 1) {
            std::cout << text;
            return std::cout ? kOk : kIoError;
        }
        std::ofstream f(args[1]);
        f << text;
        if (!f) {
            std::fprintf(stderr, "brickmap: cannot write %s\n", args[1].c_str());
            return kIoError;
        }
        return kOk;
    }
    if (command == "validate") {
        if (args.empty()) {
            std::fputs(kUsageText, stderr);
            return kUsage;
        }
        if (int rc = load(args, map); rc != kOk) return rc;
        if (!report(map)) return kInvalid;
        for (int l = 0; l < BrickMap::kLevels; ++l)
            std::printf("level %d: %d bricks, %d to break\n", l + 1, map.presentBricks(l),
                        map.countableBricks(l));
        return kOk;
    }
    std::fprintf(stderr, "brickmap: unknown command \"%s\"\n", command.c_str());
    std::fputs(kUsageText, stderr);
    return kUsage;
}
