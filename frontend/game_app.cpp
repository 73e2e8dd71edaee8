// GameApp: construction and destruction orders, drawing by state, the play step and the wipe.
#include "frontend/game_app.h"

#include "assets/resource_ids.h"
#include "frontend/game_session.h"
#include "frontend/help_screen.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/options_screen.h"
#include "frontend/screen_transition.h"
#include "frontend/screen_variants.h"
#include "globals/globals.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/centred_number.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "graphics/looks.h"
#include "platform/random.h"
#include "platform/trace.h"
#include "scores/score_table.h"
#include "sound/sound_clip.h"
#include "world/playfield.h"

namespace {
template <typename T>
void deleteOwned(T*& object) {
    delete object;
    object = nullptr;
}

// A sound cue: a badge at the top of the frame for about a second, a picture per meaning.
constexpr int32_t kCueTicks = 90;
constexpr int kBadgeX = 77, kBadgeY = 2, kBadgeWidth = 21, kBadgeHeight = 12;
constexpr int kGlyphRows = 8;
struct CuePicture {
    const char* rows[kGlyphRows];
    uint16_t pixel;
};
// clang-format off
constexpr CuePicture kLifeLost{{  // a heart, less one
    ".##...##.......",
    "####.####......",
    "#########......",
    "#########..####",
    ".#######...####",
    "..#####........",
    "...###.........",
    "....#.........."}, toPixel(0x3838E8)};
constexpr CuePicture kItemCaught{{  // a capsule, plus one
    "...........#...",
    ".#######...#...",
    "#########.#####",
    "#########..#...",
    "#########..#...",
    ".#######.......",
    "...............",
    "..............."}, toPixel(0x40D0FF)};
constexpr CuePicture kLastBrick{{  // the flag of a level won
    "#..............",
    "######.........",
    "########.......",
    "######.........",
    "#..............",
    "#..............",
    "#..............",
    "##............."}, toPixel(0x50C840)};
// clang-format on
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
    titleImage_ = new Image(instanceHandle, resource::kTitle);
    aboutImage_ = new Image(instanceHandle, resource::kAbout);
    victoryImage_ = new Image(instanceHandle, resource::kVictory);
    gameOverImage_ = new Image(instanceHandle, resource::kGameOver);
    stageImage_ = new Image(instanceHandle, resource::kStage);
    bigDigits_ = new Image(instanceHandle, resource::kBigDigits);
    pauseImage_ = new Image(instanceHandle, resource::kPause);
    adaptScreen(titleImage_, resource::kTitle);
    adaptScreen(aboutImage_, resource::kAbout);
    adaptScreen(stageImage_, resource::kStage);
    adaptScreen(pauseImage_, resource::kPause);
    const std::string dir = programDirectory();
    music_ = new SoundClip(dir + "music.wav", true);
    menuDownSound_ = new SoundClip(dir + "menudown.wav", false);
    menuUpSound_ = new SoundClip(dir + "menuup.wav", false);
    actionSound_ = new SoundClip(dir + "Action.wav", false);
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
    deleteOwned(titleImage_);
    deleteOwned(aboutImage_);
    deleteOwned(victoryImage_);
    deleteOwned(gameOverImage_);
    deleteOwned(stageImage_);
    deleteOwned(bigDigits_);
    deleteOwned(pauseImage_);
    deleteOwned(music_);
    deleteOwned(actionSound_);
    deleteOwned(menuDownSound_);
    deleteOwned(menuUpSound_);
}

void GameApp::setState(uint32_t state) {
    if (state != state_) platform::trace(std::string("state ") + stateName(state));
    state_ = state;
}

void GameApp::drawState(uint32_t state, Canvas* target) const {
    const Fixed fullWidth = px(176), fullHeight = px(220);
    switch (state) {
        case TITLE:
            target->drawImage(0, 0, fullWidth, fullHeight, titleImage_, 0, 0, NO_KEY);
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
            target->drawImage(0, 0, fullWidth, fullHeight, aboutImage_, 0, 0, NO_KEY);
            break;
        case SCORES:
            scoreTable_->draw(target);
            break;
        case NAME_ENTRY:
            nameEntry_->draw(target);
            break;
        case STAGE:
            target->drawImage(0, 0, fullWidth, fullHeight, stageImage_, 0, 0, NO_KEY);
            drawCentredNumber(target, bigDigits_, playfield_->level());
            break;
        case PLAY:
            if (gameRunning_) {
                playfield_->draw(target);
            } else {
                target->drawImage(0, 0, fullWidth, fullHeight, pauseImage_, 0, 0, NO_KEY);
            }
            break;
        case GAME_OVER:
            target->drawImage(0, 0, fullWidth, fullHeight, gameOverImage_, 0, 0, NO_KEY);
            drawCentredNumber(target, bigDigits_,
                              scoreCounter != nullptr ? scoreCounter->value() : 0);
            break;
        case VICTORY:
            target->drawImage(0, 0, fullWidth, fullHeight, victoryImage_, 0, 0, NO_KEY);
            break;
        case TRANSITION:
            transition_->draw(target);
            break;
        default:
            break;
    }
    // The high-contrast look: play draws its own plain field; every other screen (and the
    // wipe's two pictures, made here) has its background darkened and its text brightened.
    const bool playing = state == PLAY && gameRunning_;
    if (presentation().highContrast && !playing && state != TRANSITION)
        looks::raiseContrast(target, 0, 220);
}

void GameApp::drawCue(Canvas* target) const {
    if (!presentation().soundCues || cueTicks_ <= 0) return;
    const CuePicture* picture = cue_ == static_cast<uint8_t>(SoundCue::LifeLost)     ? &kLifeLost
                                : cue_ == static_cast<uint8_t>(SoundCue::ItemCaught) ? &kItemCaught
                                : cue_ == static_cast<uint8_t>(SoundCue::LastBrick)  ? &kLastBrick
                                                                                     : nullptr;
    if (picture == nullptr) return;
    looks::fillRect(target, kBadgeX, kBadgeY, kBadgeWidth, kBadgeHeight, looks::kWhite);
    looks::fillRect(target, kBadgeX + 1, kBadgeY + 1, kBadgeWidth - 2, kBadgeHeight - 2,
                    looks::kBlack);
    looks::drawMask(target, kBadgeX + 3, kBadgeY + 2, picture->rows, kGlyphRows, picture->pixel);
}

void GameApp::draw() {
    const uint32_t before = platform::randomState;
    drawState(state_, canvas_);
    drawCue(canvas_);
    if (inGame_ && platform::randomState != before && sessionListener_ != nullptr)
        sessionListener_->drewWithLuck();
}

void GameApp::drawPictureOnly() {
    const uint32_t before = platform::randomState;
    drawState(state_, canvas_);
    drawCue(canvas_);
    platform::randomState = before;
}

void GameApp::switchTo(uint32_t target) {
    drawState(state_, transition_->fromCanvas);
    drawState(target, transition_->toCanvas);
    transition_->target = target;
    setState(TRANSITION);
}

void GameApp::tick(int step) {
    // A cue ages on every screen: the last brick's goes on showing over the wipe.
    if (cueTicks_ > 0) --cueTicks_;
    if (state_ == TRANSITION) {
        if (transition_->advance()) setState(transition_->target);
    } else if (state_ == PLAY && gameRunning_) {
        playfield_->tick(step);
        if (const SoundCue cue = playfield_->takeCue(); cue != SoundCue::None) {
            cue_ = static_cast<uint8_t>(cue);
            cueTicks_ = kCueTicks;
        }
        playStep();
    }
    if (inGame_) {
        if (sessionListener_ != nullptr) sessionListener_->ticked();
        if (gameEnded()) {
            inGame_ = false;
            if (sessionListener_ != nullptr) heldProof_ = sessionListener_->gameEnded();
        }
    }
    reportSaves();
}

bool GameApp::gameEnded() const {
    const uint32_t state = state_ == TRANSITION ? transition_->target : state_;
    return state == GAME_OVER || state == VICTORY;
}

void GameApp::playStep() {
    if (playfield_->gameOver()) {
        if (musicOn) music_->pause();
        playfield_->resetSave();
        switchTo(playfield_->level() < Playfield::kLevels ? GAME_OVER : VICTORY);
    } else if (playfield_->levelCleared()) {
        switchTo(STAGE);
    }
}

void GameApp::playEffect(SoundClip* clip) {
    if (effectsAudible()) clip->play();
}

void GameApp::startMusic() {
    if (musicOn && !muted) {
        music_->play();
        music_->pause();
    }
}

void GameApp::togglePause() {
    gameRunning_ = !gameRunning_;
    playEffect(actionSound_);
}

void GameApp::toggleMute() {
    muted = !muted;
    if (musicOn) {
        if (muted) {
            music_->pause();
        } else {
            music_->resume();
        }
    }
}
