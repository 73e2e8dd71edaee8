// flash_count DIR...: each DIR holds the replay runner's shots named MS.png (the virtual
// millisecond they were taken at); prints, per DIR, the flashes counted over its shots in time
// order as the general-flash rule defines them (tests/support/flash_count.h).
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/flash_count.h"
#include "tests/support/png_reader.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: flash_count DIR...\n");
        return 2;
    }
    namespace fs = std::filesystem;
    std::printf("%-28s %6s %22s %20s %18s\n", "shots", "frames", "general flashes/s",
                "most at one pixel/s", "screen over 3/s");
    for (int a = 1; a < argc; ++a) {
        std::map<uint32_t, std::string> shots;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(argv[a], error)) {
            const std::string stem = entry.path().stem().string();
            if (entry.path().extension() != ".png" || stem.empty() ||
                stem.find_first_not_of("0123456789") != std::string::npos)
                continue;
            shots[static_cast<uint32_t>(std::stoul(stem))] = entry.path().string();
        }
        if (error || shots.empty()) {
            std::fprintf(stderr, "flash_count: no MS.png shots in %s\n", argv[a]);
            return 1;
        }
        testing_support::FlashCounter counter;
        for (const auto& [ms, path] : shots) {
            const auto frame = testing_support::readFramePng(path);
            if (frame.empty()) {
                std::fprintf(stderr, "flash_count: cannot read %s\n", path.c_str());
                return 1;
            }
            counter.add(ms, frame);
        }
        const auto f = counter.figures();
        std::printf("%-28s %6u %22d %20d %17.1f%%\n", fs::path(argv[a]).filename().c_str(),
                    f.frames, f.generalPerSecond, f.mostAtOnePixel, 100.0 * f.shareOverThree);
    }
    return 0;
}
