// GameApp: writing the saved game and the score table at exit and, where the program can be
// ended at any moment, as the game goes.
#include <string>

#include "frontend/game_app.h"
#include "frontend/game_session.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/message_box.h"
#include "scores/score_table.h"
#include "world/playfield.h"

namespace {
// A run of hits changes the score many times a second; the score alone is written at most
// this often (the level and lives at once).
constexpr uint32_t kScoreSaveIntervalMs = 2000;

// The table's names are digits, capitals and spaces.
std::string narrow(const std::u16string& name) {
    return std::string(name.begin(), name.end());
}
}  // namespace

bool GameApp::inStage() const {
    auto stage = [](uint32_t s) { return s == PLAY || s == STAGE; };
    return stage(state_) || (state_ == TRANSITION && stage(transition_->target));
}

bool GameApp::saveOnExit() {
    if (inStage()) {
        playfield_->saveGame();
        reportSaves();
        return true;
    }
    keepFinalScore();
    return false;
}

void GameApp::reportSaves() {
    const Playfield::SaveWritten& save = playfield_->lastSave();
    if (save.count == savesSeen_) return;
    savesSeen_ = save.count;
    if (sessionListener_ != nullptr)
        sessionListener_->gameSaved(GameValues{save.level, save.lives, save.score});
}

// The home key at the name entry (or on the way into it) would otherwise drop a score the table
// takes: it enters as if Done were chosen, and is written before the player is told, so the
// score is kept even if the program is stopped while the message is up.
void GameApp::keepFinalScore() {
    const uint32_t at = state_ == TRANSITION ? transition_->target : state_;
    if (at != NAME_ENTRY) return;
    const uint32_t score = static_cast<uint32_t>(scoreCounter->value());
    if (score <= scoreTable_->lowestScore()) return;
    std::u16string name = nameEntry_->text();  // cleared on the way in
    if (name.empty()) name = kDefaultName;
    if (scoreTable_->insert(name, score, std::move(heldProof_)) < 0) return;
    scoreTable_->saveIfChanged();
    platform::messageBox("Your score of " + std::to_string(score) +
                             " is kept in the high-score table as " + narrow(name) + ".",
                         "Vextorium2");
}

bool GameApp::chooseContinue() {
    if (!playfield_->hasSavedGame()) return false;
    mainMenu_->select(MainMenu::kContinue);
    setState(MENU);
    return true;
}

void GameApp::saveChanges(uint32_t nowMs) {
    scoreTable_->saveIfChanged();
    if (!inStage()) {
        saved_.written = false;
        return;
    }
    const int32_t level = playfield_->level();
    const int32_t lives = playfield_->livesLeft();
    const int32_t score = scoreCounter->value();
    if (saved_.written && level == saved_.level && lives == saved_.lives) {
        if (score == saved_.score || nowMs - saved_.atMs < kScoreSaveIntervalMs) return;
    }
    playfield_->saveGame();
    saved_ = SavedFields{true, level, lives, score, nowMs};
    reportSaves();
}
