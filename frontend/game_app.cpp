// GameApp: construction and destruction orders, drawing by state, the play step and the wipe.
#include "frontend/game_app.h"

#include "assets/resource_ids.h"
#include "frontend/centred_number.h"
#include "frontend/help_screen.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/options_screen.h"
#include "frontend/screen_transition.h"
#include "frontend/screen_variants.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "platform/trace.h"
#include "scores/score_table.h"
#include "sound/sound_clip.h"
#include "world/playfield.h"

namespace {
constexpr int kLastLevel = 3;

template <typename T>
void deleteOwned(T*& object) {
    delete object;
    object = nullptr;
}
}  // namespace

const char* stateName(uint32_t state) {
    static const char* const kNames[] = {"TITLE", "MENU",      "OPTIONS",    "HELP",
                                         "ABOUT", "SCORES",    "NAME_ENTRY", "STAGE",
                                         "PLAY",  "GAME_OVER", "VICTORY",    "TRANSITION"};
    return state < 12 ? kNames[state] : "UNKNOWN";
}

GameApp::GameApp() {
    gameRunning_ = true;
    canvas_ = new Canvas();
    transition_ = new ScreenTransition();
    mainMenu_ = new MainMenu();
    optionsScreen_ = new OptionsScreen();
    scoreTable_ = new ScoreTable();
    nameEntry_ = new NameEntry();
    helpScreen_ = new HelpScreen();
    playfield_ = new Playfield();
    titleImage = new Image(instanceHandle, resource::kTitle);
    aboutImage = new Image(instanceHandle, resource::kAbout);
    victoryImage = new Image(instanceHandle, resource::kVictory);
    gameOverImage = new Image(instanceHandle, resource::kGameOver);
    stageImage = new Image(instanceHandle, resource::kStage);
    bigDigits = new Image(instanceHandle, resource::kBigDigits);
    pauseImage = new Image(instanceHandle, resource::kPause);
    adaptScreen(titleImage, resource::kTitle);
    adaptScreen(aboutImage, resource::kAbout);
    adaptScreen(stageImage, resource::kStage);
    adaptScreen(pauseImage, resource::kPause);
    const std::string dir = programDirectory();
    music = new SoundClip(dir + "music.wav", true);
    menuDownSound = new SoundClip(dir + "menudown.wav", false);
    menuUpSound = new SoundClip(dir + "menuup.wav", false);
    actionSound = new SoundClip(dir + "Action.wav", false);
    state_ = TITLE;
}

GameApp::~GameApp() {
    deleteOwned(canvas_);
    deleteOwned(transition_);
    deleteOwned(mainMenu_);
    deleteOwned(optionsScreen_);
    deleteOwned(scoreTable_);  // writes ScoreList.sav
    deleteOwned(nameEntry_);
    deleteOwned(helpScreen_);
    deleteOwned(playfield_);
    deleteOwned(titleImage);
    deleteOwned(aboutImage);
    deleteOwned(victoryImage);
    deleteOwned(gameOverImage);
    deleteOwned(stageImage);
    deleteOwned(bigDigits);
    deleteOwned(pauseImage);
    deleteOwned(music);
    deleteOwned(actionSound);
    deleteOwned(menuDownSound);
    deleteOwned(menuUpSound);
}

void GameApp::setState(uint32_t state) {
    if (state != state_) platform::trace(std::string("state ") + stateName(state));
    state_ = state;
}

void GameApp::drawState(uint32_t state, Canvas* target) const {
    const Fixed fullWidth = px(176), fullHeight = px(220);
    switch (state) {
        case TITLE:
            target->drawImage(0, 0, fullWidth, fullHeight, titleImage, 0, 0, NO_KEY);
            break;
        case MENU:
            mainMenu_->draw(target);
            break;
        case OPTIONS:
            optionsScreen_->draw(target);
            break;
        case HELP:
            helpScreen_->draw(target);
            break;
        case ABOUT:
            target->drawImage(0, 0, fullWidth, fullHeight, aboutImage, 0, 0, NO_KEY);
            break;
        case SCORES:
            scoreTable_->draw(target);
            break;
        case NAME_ENTRY:
            nameEntry_->draw(target);
            break;
        case STAGE:
            target->drawImage(0, 0, fullWidth, fullHeight, stageImage, 0, 0, NO_KEY);
            drawCentredNumber(target, bigDigits, playfield_->level());
            break;
        case PLAY:
            if (gameRunning_) {
                playfield_->draw(target);
            } else {
                target->drawImage(0, 0, fullWidth, fullHeight, pauseImage, 0, 0, NO_KEY);
            }
            break;
        case GAME_OVER:
            target->drawImage(0, 0, fullWidth, fullHeight, gameOverImage, 0, 0, NO_KEY);
            drawCentredNumber(target, bigDigits,
                              scoreCounter != nullptr ? scoreCounter->value() : 0);
            break;
        case VICTORY:
            target->drawImage(0, 0, fullWidth, fullHeight, victoryImage, 0, 0, NO_KEY);
            break;
        case TRANSITION:
            transition_->draw(target);
            break;
        default:
            break;
    }
}

void GameApp::draw() {
    drawState(state_, canvas_);
}

void GameApp::switchTo(uint32_t target) {
    drawState(state_, transition_->fromCanvas);
    drawState(target, transition_->toCanvas);
    transition_->target = target;
    setState(TRANSITION);
}

void GameApp::tick(int step) {
    if (state_ == TRANSITION) {
        if (transition_->advance()) setState(transition_->target);
    } else if (state_ == PLAY) {
        if (!gameRunning_) return;
        playfield_->tick(step);
        playStep();
    }
}

void GameApp::playStep() {
    if (playfield_->gameOver()) {
        if (musicOn) music->pause();
        playfield_->resetSave();
        switchTo(playfield_->level() < kLastLevel ? GAME_OVER : VICTORY);
    } else if (playfield_->levelCleared()) {
        switchTo(STAGE);
    }
}

void GameApp::playEffect(SoundClip* clip) {
    if (effectsAudible()) clip->play();
}

void GameApp::startMusic() {
    if (musicOn && !muted) {
        music->play();
        music->pause();
    }
}

void GameApp::togglePause() {
    gameRunning_ = !gameRunning_;
    playEffect(actionSound);
}

void GameApp::toggleMute() {
    muted = !muted;
    if (musicOn) {
        if (muted) {
            music->pause();
        } else {
            music->resume();
        }
    }
}
