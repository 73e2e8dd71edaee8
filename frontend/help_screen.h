// HelpScreen: three pages (keys; bricks, balls and paddles; items), paged by the application.
#pragma once
#include <cstdint>

class Canvas;
class Image;

class HelpScreen {
  public:
    static constexpr int kLastPage = 2;

    HelpScreen();
    ~HelpScreen();
    HelpScreen(const HelpScreen&) = delete;
    HelpScreen& operator=(const HelpScreen&) = delete;

    void draw(Canvas* canvas) const;
    int32_t page() const { return page_; }
    void nextPage() { page_ = page_ + 1; }
    void resetPage() { page_ = 0; }

  private:
    int32_t page_ = 0;
    Image* keyHelp_;
    Image* brickHelp_;
    Image* itemHelp_;
};
