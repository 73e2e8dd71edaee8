// The level set in force: a set file read whole, checked, and named by its SHA-256.
#include "shell/level_sets.h"

#include "platform/files.h"
#include "platform/message_box.h"
#include "record/level_set.h"

namespace {
std::string chosenPath;

void refuse(const std::string& path, const std::string& reason) {
    platform::messageBox("The level set " + path + " cannot be played (" + reason +
                             "). The game's own levels are played instead.",
                         "Vextorium2");
}
}  // namespace

void chooseLevelSet(const std::string& path) {
    chosenPath = path;
}

bool useLevelSet(const std::string& path) {
    platform::setLevelSet({}, {});
    // One byte over the size is read, so that a longer file is told from a set.
    const platform::FileRead file =
        platform::readFile(path, level_set::kFileBytes + 1, platform::Longer::Cut);
    if (file.result == platform::FileRead::Missing) {
        refuse(path, "there is no such file");
        return false;
    }
    if (file.result != platform::FileRead::Read) {
        refuse(path, "it cannot be read");
        return false;
    }
    if (const std::string fault = level_set::check(file.bytes); !fault.empty()) {
        refuse(path, fault);
        return false;
    }
    const std::string id = level_set::idOf(file.bytes);
    const platform::FileRead builtIn =
        platform::readFile(platform::levelFilePath(), level_set::kFileBytes + 1);
    if (builtIn.result == platform::FileRead::Read && builtIn.bytes == file.bytes) return true;
    platform::setLevelSet(path, id);
    return true;
}

void useChosenLevelSet() {
    if (!chosenPath.empty()) useLevelSet(chosenPath);
}
