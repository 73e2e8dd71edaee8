// The player's settings in the running program: read from the store at start-up, put in force
// (the pace, the presentation, the key and button map, the pointer's sensitivity, the volumes),
// and the settings screen the settings key (F10) opens in the desktop program.
//
// The screen never touches play: while it is open no tick runs and the game is not drawn; a
// game running in play is paused first exactly as when the window is lost (which its record
// holds), and the keys pressed on the screen, and their releases, never reach the game. It
// takes no random numbers. The pace cannot be changed while a game is in play (a game's record
// says the one pace it was played at).
#pragma once
#include <string>

#include "platform/window.h"

class Canvas;
struct Settings;

// Which settings the next runProgram starts with: those of the store at `path` (empty: the
// store's own place, settingsPath(), once the program's directories are known), the pace among them
// unless `withPace` is false (the replay runner, whose pace is the record's or its own option's).
// `openScreen`: the settings screen is open at the start. Without a call the program starts with
// the defaults.
void useSettingsStore(const std::string& path, bool withPace, bool openScreen);

// Called by runProgram once the program's objects exist: reads the store and applies it.
void startPlayerSettings();
// Puts `settings` in force.
void applySettings(const Settings& settings);
// Reads the store again and puts it in force (after another part, the page's settings panel,
// wrote it). Nothing when the program reads no store.
void reloadSettings();

// The settings screen (none in a program that never opened it).
bool settingsScreenOpen();
void toggleSettingsScreen();
void closeSettingsScreen();
// A message for the open screen: a key down or up, a key or button to bind, the pointer. True
// when the screen took it (the game must not see it).
bool settingsScreenTakes(const platform::Message& message);
// The screen's picture, drawn anew.
const Canvas* drawSettingsScreen();
