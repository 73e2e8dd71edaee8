// Which level set the program plays: the built-in one beside the executable, or a set file named
// on the command line (--levels FILE), checked before it is put in force.
#pragma once
#include <string>

// Names the set file the next runProgram plays; runProgram checks it once its window is open, so
// that a refusal is shown in the program's own message box. An empty path: the built-in set.
void chooseLevelSet(const std::string& path);

// Puts the set in the file at `path` in force now when it passes its checks (true); otherwise
// tells the player why in a message box and keeps the built-in set (false). A set whose bytes are
// the built-in set's own is the built-in set, files and all.
bool useLevelSet(const std::string& path);

// The chosen set (chooseLevelSet) put in force, if one was chosen; called by runProgram.
void useChosenLevelSet();
