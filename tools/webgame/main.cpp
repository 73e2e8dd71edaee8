// The game in the browser. Its package carries the sounds as note lists, a few kilobytes in
// place of the WAV files' megabyte and more; they are rendered here, by the generator that
// makes the desktop's files, before the program opens them, so the page plays the same samples.
#include <dirent.h>
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "shell/entry.h"
#include "shell/player_settings.h"
#include "shell/level_sets.h"
#include "shell/program.h"
#include "sound_files.h"
#include "tools/webgame/watch_mode.h"

// The page's side (page.js): whether its "Play on" started this run, and the program's end
// with whether the saved game was written on the way out.
// clang-format off
EM_JS(int, v2PlayOnRequested, (), {
    return Module.v2PlayOn ? 1 : 0;
});
EM_JS(void, v2ProgramEnded, (int gameSaved), {
    if (Module.v2ProgramEnded) Module.v2ProgramEnded(gameSaved !== 0);
});
// clang-format on

namespace {

constexpr const char* kDataDirectory = "/game";
constexpr const char* kSoundSources = "/game/sounds";

// A sound that cannot be made stays missing, and the game plays without it.
void renderSounds() {
    DIR* sources = ::opendir(kSoundSources);
    if (sources == nullptr) return;
    while (const dirent* entry = ::readdir(sources)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
        std::string error;
        if (!soundgen::renderSoundFile(std::string(kSoundSources) + "/" + name, kDataDirectory,
                                       error))
            std::fprintf(stderr, "vextorium2: %s\n", error.c_str());
    }
    ::closedir(sources);
}

}  // namespace

int main(int argc, char** argv) {
    // A watched game plays without sounds: none are made.
    if (watchRequested()) return watchGame();
    // The page plays a level set (`/?set=ID`) by writing its file into the file system before
    // the program starts and naming it here, as the desktop's command line does.
    if (argc == 3 && std::string(argv[1]) == "--levels") chooseLevelSet(argv[2]);
    renderSounds();
    useSettingsStore("", true, false);
    const int status = runProgram(true, v2PlayOnRequested() != 0);
    v2ProgramEnded(program().gameSavedOnExit ? 1 : 0);
    return status;
}
