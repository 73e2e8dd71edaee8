// GameApp: writing the saved game and the score table at exit and, where the program can be
// ended at any moment, as the game goes.
#include "frontend/game_app.h"
#include "frontend/game_session.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "scores/score_table.h"
#include "world/playfield.h"

namespace {
// A run of hits changes the score many times a second; the score alone is written at most
// this often (the level and lives at once).
constexpr uint32_t kScoreSaveIntervalMs = 2000;
}  // namespace

bool GameApp::inStage() const {
    auto stage = [](uint32_t s) { return s == PLAY || s == STAGE; };
    return stage(state_) || (state_ == TRANSITION && stage(transition_->target));
}

void GameApp::saveOnExit() {
    if (inStage()) playfield_->saveGame();
    reportSaves();
}

void GameApp::reportSaves() {
    const Playfield::SaveWritten& save = playfield_->lastSave();
    if (save.count == savesSeen_) return;
    savesSeen_ = save.count;
    if (sessionListener_ != nullptr)
        sessionListener_->gameSaved(GameValues{save.level, save.lives, save.score});
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
