// GameApp: the application object, its twelve-state screen machine and the key dispatch.
#pragma once
#include <cstdint>
#include <string>

class Canvas;
class GameSessionListener;
class HelpScreen;
class Image;
class MainMenu;
class NameEntry;
class OptionsScreen;
class Playfield;
class ScoreTable;
class ScreenTransition;
class SoundClip;

enum ScreenState : uint32_t {
    TITLE = 0,
    MENU = 1,
    OPTIONS = 2,
    HELP = 3,
    ABOUT = 4,
    SCORES = 5,
    NAME_ENTRY = 6,
    STAGE = 7,
    PLAY = 8,
    GAME_OVER = 9,
    VICTORY = 10,
    TRANSITION = 11,
};

const char* stateName(uint32_t state);

class GameApp {
  public:
    GameApp();
    ~GameApp();
    GameApp(const GameApp&) = delete;
    GameApp& operator=(const GameApp&) = delete;

    Canvas* canvas() const { return canvas_; }
    // Who hears of the games played (none: nobody).
    void setSessionListener(GameSessionListener* listener) { sessionListener_ = listener; }
    void tick(int step);
    void draw();
    // The current screen drawn for looking at only: any random numbers the draw takes are given
    // back, so the game goes on as if it had not been drawn.
    void drawPictureOnly();

    // A game key (action, a direction, a soft key) as play receives it, whatever sent it; other
    // keys are not the application's.
    void pressGameKey(uint32_t keyCode);
    // New game or Continue, as the menu's entries start them.
    void startGame(bool continued);
    // The window was lost: play pauses (or resumes).
    void loseWindow();

    void pressAction();
    void pressLeft();
    void pressRight();
    void pressUp();
    void pressDown();
    void pressLeftSoft();
    void pressRightSoft();
    void keyReleased();
    // A character typed on a keyboard (kCharBackspace: Backspace).
    void typeCharacter(char32_t c);
    void togglePause();
    void toggleMute();
    // What the program keeps when it ends now: the saved game in a stage or in play (then
    // true), and at the name entry the new high score, entered with the name typed so far
    // (kDefaultName if none) and written, which the player is told.
    bool saveOnExit();
    // The page's "Play on": the menu with Continue chosen, ready for the action key to take up
    // the saved game; false, and nothing changes, where there is no saved game.
    bool chooseContinue();
    static constexpr const char16_t* kDefaultName = u"PLAYER";
    // Where the program can be ended at any moment without an orderly exit (a browser tab):
    // brings the saved game and the score table's file up to date after a tick or a key.
    // `nowMs` is the tick count, which spaces out writes for the score alone.
    void saveChanges(uint32_t nowMs);
    // Whether a game is in play: begun and neither ended nor saved at the program's end.
    bool inGame() const { return inGame_; }

    // Whether a key or click since the last call ran the online exchange, which holds the
    // program up for as long as the server takes (then cleared).
    bool takeExchangeRan() {
        const bool ran = exchangeRan_;
        exchangeRan_ = false;
        return ran;
    }

    uint32_t state() const { return state_; }
    bool gameRunning() const { return gameRunning_; }
    Playfield* playfield() const { return playfield_; }
    ScoreTable* scoreTable() const { return scoreTable_; }
    ScreenTransition* transition() const { return transition_; }
    MainMenu* mainMenu() const { return mainMenu_; }
    OptionsScreen* optionsScreen() const { return optionsScreen_; }
    HelpScreen* helpScreen() const { return helpScreen_; }
    NameEntry* nameEntry() const { return nameEntry_; }

  private:
    void switchTo(uint32_t target);
    void setState(uint32_t state);
    // Renders the screen of `state` into `target` (the state table's drawing).
    void drawState(uint32_t state, Canvas* target) const;
    void startMusic();
    void playEffect(SoundClip* clip);
    void playStep();
    void leaveEndScreen();
    bool inStage() const;
    bool gameEnded() const;
    // Tells the listener of a write of the saved game since the last call.
    void reportSaves();
    void keepFinalScore();
    // The sound cue in force, if the player asked for cues, over the frame.
    void drawCue(Canvas* target) const;

    Canvas* canvas_ = nullptr;
    bool gameRunning_ = true;
    uint32_t state_ = TITLE;
    ScreenTransition* transition_ = nullptr;
    MainMenu* mainMenu_ = nullptr;
    OptionsScreen* optionsScreen_ = nullptr;
    ScoreTable* scoreTable_ = nullptr;
    NameEntry* nameEntry_ = nullptr;
    HelpScreen* helpScreen_ = nullptr;
    Playfield* playfield_ = nullptr;
    SoundClip* music_ = nullptr;
    Image* titleImage_ = nullptr;
    Image* aboutImage_ = nullptr;
    Image* victoryImage_ = nullptr;
    Image* gameOverImage_ = nullptr;
    Image* bigDigits_ = nullptr;
    Image* stageImage_ = nullptr;
    Image* pauseImage_ = nullptr;
    SoundClip* menuDownSound_ = nullptr;
    SoundClip* menuUpSound_ = nullptr;
    SoundClip* actionSound_ = nullptr;
    // The saved game's fields as saveChanges last wrote them; `written` is false outside a
    // stage, so that the next stage writes at once.
    struct SavedFields {
        bool written = false;
        int32_t level = 0;
        int32_t lives = 0;
        int32_t score = 0;
        uint32_t atMs = 0;
    };
    SavedFields saved_;
    bool exchangeRan_ = false;
    GameSessionListener* sessionListener_ = nullptr;
    bool inGame_ = false;
    uint32_t savesSeen_ = 0;
    // The record of the game that ended last (empty when it cannot be proven): the score it
    // enters the table with goes up with it. A new game drops it.
    std::string heldProof_;
    // The sound cue on show and the ticks it stays: pictures only, never part of a game.
    uint8_t cue_ = 0;
    int32_t cueTicks_ = 0;
};
