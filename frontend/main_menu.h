// MainMenu: Start, Continue, Options, High Score, Help, with one highlighted band.
#pragma once
#include <cstdint>

class Canvas;
class Image;

class MainMenu {
  public:
    static constexpr int kEntries = 5;

    MainMenu();
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    void draw(Canvas* canvas) const;
    void moveUp();
    void moveDown();
    int32_t selection() const { return selection_; }

  private:
    Image* background_;
    Image* highlights_;
    int32_t selection_ = 0;
};
