// Display: binds the program to the screen and presents the back buffer with one block copy.
#pragma once
#include <cstdint>

class Canvas;

class Display {
  public:
    Display();  // opens the display full screen and holds the frame address until destroyed
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Copies exactly one frame (77,440 bytes) of the canvas to the screen's frame.
    void present(const Canvas* canvas);
    void suspend();
    void resume();

  private:
    uint16_t* frameBuffer_;
};
