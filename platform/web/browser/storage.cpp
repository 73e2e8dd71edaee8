// Files in the browser: the level file and the sounds come with the page (read-only under
// /game), the scores and the saved game live in the page's storage (IndexedDB, mounted at
// /persist before the program starts and read back from it). Every completed atomic write is
// copied to the storage before it returns, so a reload or a closed tab keeps it.
#include <emscripten.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/web/browser/browser.h"

EM_ASYNC_JS(void, v2Persist, (), {
    if (Module.v2Persist) await Module.v2Persist();
});

namespace platform::web {
namespace {

constexpr const char* kDataDirectory = "/game";
constexpr const char* kStorageDirectory = "/persist";  // mounted by the page's start-up code

void persist(const std::string&) {
    v2Persist();
}

}  // namespace

void prepareFiles() {
    setProgramDirectory(kDataDirectory);
    // Nothing is written beside the data: the program's own files go to the user data
    // directory, which lies in the storage.
    ::chmod(kDataDirectory, 0555);
    ::setenv("XDG_DATA_HOME", kStorageDirectory, 1);
    setFileWrittenHook(persist);
    // A tab can be closed or reloaded at any moment, and nothing written on the way out lasts.
    setKeepFilesCurrent(true);
}

}  // namespace platform::web
