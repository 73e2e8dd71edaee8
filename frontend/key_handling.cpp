// GameApp's key operations, by state.
#include "frontend/game_app.h"
#include "frontend/game_session.h"
#include "frontend/help_screen.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/options_screen.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/random.h"
#include "platform/window.h"
#include "scores/score_table.h"
#include "sound/sound_clip.h"
#include "world/playfield.h"

namespace {
enum OptionsEntry { kMusic = 0, kSoundFx = 1, kAbout = 2, kMainMenu = 3 };
}  // namespace

void GameApp::pressGameKey(uint32_t keyCode) {
    // The press that starts a game is not one of its keys: play begins after it.
    const bool wasInGame = inGame_;
    switch (keyCode) {
        case platform::kKeyAction:
            pressAction();
            break;
        case platform::kKeyLeft:
            pressLeft();
            break;
        case platform::kKeyUp:
            pressUp();
            break;
        case platform::kKeyRight:
            pressRight();
            break;
        case platform::kKeyDown:
            pressDown();
            break;
        case platform::kKeyLeftSoft:
            pressLeftSoft();
            break;
        case platform::kKeyRightSoft:
            pressRightSoft();
            break;
        default:
            return;
    }
    if (wasInGame && inGame_ && sessionListener_ != nullptr) sessionListener_->keyPressed(keyCode);
    reportSaves();
}

void GameApp::startGame(bool continued) {
    // What play reads that was set before it: the generator's state (the title, the menus and
    // earlier games have moved it on), the pause, the sound switches.
    const uint32_t randomState = platform::randomState;
    heldProof_.clear();
    cueTicks_ = 0;
    if (continued) {
        playfield_->loadGame();
    } else {
        playfield_->newGame();
    }
    startMusic();
    switchTo(STAGE);
    inGame_ = true;
    if (sessionListener_ == nullptr) return;
    SessionStart start;
    start.randomState = randomState;
    start.values = {playfield_->level(), playfield_->livesLeft(), scoreCounter->value()};
    start.continued = continued;
    start.paused = !gameRunning_;
    start.soundOn = soundOn;
    start.musicOn = musicOn;
    start.muted = muted;
    sessionListener_->gameBegan(start);
}

void GameApp::loseWindow() {
    togglePause();
    if (inGame_ && sessionListener_ != nullptr) sessionListener_->windowLost();
}

void GameApp::pressUp() {
    playEffect(menuUpSound_);
    switch (state_) {
        case MENU:
            mainMenu_->moveUp();
            break;
        case OPTIONS:
            optionsScreen_->moveUp();
            break;
        case SCORES:
            scoreTable_->scrollUp();
            break;
        case NAME_ENTRY:
            nameEntry_->moveUp();
            break;
        default:
            break;
    }
}

void GameApp::pressDown() {
    playEffect(menuDownSound_);
    switch (state_) {
        case MENU:
            mainMenu_->moveDown();
            break;
        case OPTIONS:
            optionsScreen_->moveDown();
            break;
        case SCORES:
            scoreTable_->scrollDown();
            break;
        case NAME_ENTRY:
            nameEntry_->moveDown();
            break;
        default:
            break;
    }
}

void GameApp::pressLeft() {
    if (state_ == NAME_ENTRY) nameEntry_->moveLeft();
    if (state_ == PLAY) playfield_->moveLeft();
}

void GameApp::pressRight() {
    if (state_ == NAME_ENTRY) nameEntry_->moveRight();
    if (state_ == PLAY) playfield_->moveRight();
}

// Typing a name: the same pick (or delete) and sound as the action key on that cell.
void GameApp::typeCharacter(char32_t c) {
    if (state_ == NAME_ENTRY && nameEntry_->type(c)) playEffect(actionSound_);
}

void GameApp::keyReleased() {
    if (state_ == PLAY) playfield_->stopMoving();
    if (inGame_ && sessionListener_ != nullptr) sessionListener_->keyReleased();
}

void GameApp::pressAction() {
    switch (state_) {
        case TITLE:
            switchTo(ABOUT);
            break;
        case MENU:
            switch (mainMenu_->selection()) {
                case MainMenu::kStart:
                case MainMenu::kContinue:
                    startGame(mainMenu_->selection() == MainMenu::kContinue);
                    break;
                case MainMenu::kOptions:
                    switchTo(OPTIONS);
                    break;
                case MainMenu::kHighScore:
                    switchTo(SCORES);
                    break;
                case MainMenu::kHelp:
                    switchTo(HELP);
                    break;
            }
            break;
        case OPTIONS:
            switch (optionsScreen_->selection()) {
                case kMusic:
                    optionsScreen_->toggleMusic();
                    break;
                case kSoundFx:
                    optionsScreen_->toggleSound();
                    break;
                case kAbout:
                    switchTo(ABOUT);
                    break;
                case kMainMenu:
                    switchTo(MENU);
                    break;
            }
            break;
        case HELP:
            if (helpScreen_->page() == HelpScreen::kLastPage) {
                switchTo(MENU);
                helpScreen_->resetPage();
            } else {
                drawState(HELP, transition_->fromCanvas);
                helpScreen_->nextPage();
                drawState(HELP, transition_->toCanvas);
                transition_->target = HELP;
                setState(TRANSITION);
            }
            break;
        case ABOUT:
        case SCORES:
            switchTo(MENU);
            break;
        case NAME_ENTRY:
            nameEntry_->pick();
            break;
        case STAGE:
            playfield_->startLevel();
            if (musicOn && !muted) music_->resume();
            switchTo(PLAY);
            break;
        case PLAY:
            playfield_->action();
            return;
        case GAME_OVER:
        case VICTORY:
            leaveEndScreen();
            break;
        default:
            return;  // TRANSITION: nothing, no sound
    }
    playEffect(actionSound_);
}

// A final score that beats the table's lowest leads to the name entry; anything else to the
// menu.
void GameApp::leaveEndScreen() {
    const uint32_t finalScore = static_cast<uint32_t>(scoreCounter->value());
    if (finalScore > scoreTable_->lowestScore()) {
        nameEntry_->reset();
        switchTo(NAME_ENTRY);
    } else {
        switchTo(MENU);
    }
}

void GameApp::pressLeftSoft() {
    switch (state_) {
        case SCORES:
            scoreTable_->synchronize();
            exchangeRan_ = true;
            break;
        case NAME_ENTRY:
            // Done waits for at least one character: an empty name would lose the score.
            if (nameEntry_->length() == 0) {
                nameEntry_->promptForCharacter();
                playEffect(menuDownSound_);
                break;
            }
            scoreTable_->scrollToEntry(scoreTable_->insert(
                nameEntry_->text(), static_cast<uint32_t>(scoreCounter->value()),
                std::move(heldProof_)));
            switchTo(SCORES);
            break;
        case PLAY:
            togglePause();
            break;
        default:
            pressAction();
            break;
    }
}

void GameApp::pressRightSoft() {
    switch (state_) {
        case SCORES:
            pressAction();
            break;
        case NAME_ENTRY:
            switchTo(SCORES);
            break;
        case PLAY:
            toggleMute();
            break;
        default:
            break;
    }
}
