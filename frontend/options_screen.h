// OptionsScreen: Music, Sound FX, About, Main Menu; the "on" badges follow the global switches.
#pragma once
#include <cstdint>

class Canvas;
class Image;

class OptionsScreen {
  public:
    static constexpr int kEntries = 4;

    OptionsScreen();
    ~OptionsScreen();
    OptionsScreen(const OptionsScreen&) = delete;
    OptionsScreen& operator=(const OptionsScreen&) = delete;

    void draw(Canvas* canvas) const;
    void moveUp();
    void moveDown();
    int32_t selection() const { return selection_; }
    void toggleMusic();  // flips musicOn
    void toggleSound();  // flips soundOn

  private:
    Image* background_;
    Image* labels_;
    Image* badges_;
    int32_t selection_ = 0;
};
