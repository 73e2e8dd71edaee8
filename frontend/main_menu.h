// MainMenu: Start, Continue, Options, High Score, Help, with one highlighted band.
#pragma once
#include <cstdint>

class Canvas;
class Image;

class MainMenu {
  public:
    // The entries, top to bottom.
    enum Entry : int32_t { kStart = 0, kContinue = 1, kOptions = 2, kHighScore = 3, kHelp = 4 };
    static constexpr int kEntries = 5;

    MainMenu();
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    void draw(Canvas* canvas) const;
    void moveUp();
    void moveDown();
    int32_t selection() const { return selection_; }
    void select(int32_t entry) { selection_ = entry; }
    // The entry drawn at a frame pixel, -1 for none.
    static int32_t entryAt(int x, int y);

  private:
    Image* background_;
    Image* highlights_;
    int32_t selection_ = 0;
};
