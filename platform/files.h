// File service: where the program's files live, how they are read without ever waiting, and how
// they are written safely.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The directory of the running executable as the system reports it, ending with '/'.
std::string executableDirectory();

// The directory every data file is read from and written to, ending with '/'.
// The executable's directory unless set otherwise (the replay runner's --dir, tests).
std::string programDirectory();
void setProgramDirectory(const std::string& directory);

// Where the program's own files (scores, saved game) are written, ending with '/': the program
// directory when it is writable, otherwise userDataDirectory(), created on first use.
std::string writableDirectory();

// The level file the game plays: the program directory's BrickMap.dat, or the file of the level
// set in force.
std::string levelFilePath();

// Puts the level set in the file at `path` in force, named by `id` (its SHA-256 in hex): the game
// plays its levels, and writableDirectory() becomes a folder of the set's own ("sets/ID/" under
// the usual one), so that each set keeps its own saved game, high scores, proofs and record and
// the built-in set's files stay where they are. An empty id puts the built-in set back.
void setLevelSet(const std::string& path, const std::string& id);
// The id of the level set in force; empty for the built-in set.
std::string levelSetId();

// $XDG_DATA_HOME/vextorium2/ (when XDG_DATA_HOME is an absolute path), else
// $HOME/.local/share/vextorium2/.
std::string userDataDirectory();

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it
// over `path`, so a crash leaves either the old or the new complete file. False on failure.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);

// Whether writeFileAtomically flushes to disk (the default): a program whose files are scratch
// (the verifier's) turns it off, since waiting for the disk is most of what a short game costs.
void setDurableWrites(bool durable);

// Called with the path after every write writeFileAtomically completed, before it returns (the
// browser back end makes the write last in the page's storage there); nullptr for none.
using FileWrittenHook = void (*)(const std::string& path);
void setFileWrittenHook(FileWrittenHook hook);

// True where the program can be ended at any moment without an orderly exit (a browser tab
// closed or reloaded): the game then keeps its files up to date as it goes, not only at exit.
// False unless a back end says so.
bool keepFilesCurrent();
void setKeepFilesCurrent(bool keep);

// The outcome of reading one data file.
struct FileRead {
    enum Result {
        Read,     // a regular file, read to its end or to the limit
        Missing,  // nothing at that path
        Failed,   // there but unreadable: not a regular file, no permission, a read error;
                  // or longer than the limit when such a file is refused
    };
    Result result = Missing;
    // Failed only: the file was opened, and was then found not to be a regular file, failed
    // while being read or was too long (false when the open itself was refused).
    bool opened = false;
    // Read: the file's first bytes, at most the limit. Failed after a read error: the bytes
    // that arrived before it. Otherwise empty.
    std::vector<uint8_t> bytes;
};

// What becomes of a file longer than the limit: its first bytes are read, or it is refused
// (Failed, with nothing read) when it is only any use whole.
enum class Longer { Cut, Refused };

// Reads at most `limit` bytes from the start of the file at `path`. The file is opened without
// blocking and read only when it is a regular file, so a FIFO, socket, device or directory in
// a data file's place gives Failed at once instead of hanging or streaming forever.
FileRead readFile(const std::string& path, size_t limit, Longer longer = Longer::Cut);

// Creates `path` as an empty file unless something is already there (never truncating it or
// following a link). True when the file was created or something was already at `path`.
bool createEmptyFile(const std::string& path);

}  // namespace platform
