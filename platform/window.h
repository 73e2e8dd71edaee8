// Window service: the one game window and its message queue, in the handset's message and key
// codes.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

constexpr uint32_t kMsgActivate = 0x0006;  // low word of wordParam: 1 active, 0 inactive
constexpr uint32_t kMsgSetFocus = 0x0007;
constexpr uint32_t kMsgKillFocus = 0x0008;
constexpr uint32_t kMsgKeyDown = 0x0100;  // wordParam: key code
constexpr uint32_t kMsgKeyUp = 0x0101;
// wordParam: a character typed on a keyboard (a Unicode code point) by a key that is none of
// the game's keys, or kCharBackspace. The game's keys never type: their key messages are all.
constexpr uint32_t kMsgChar = 0x0102;
constexpr uint32_t kCharBackspace = 0x08;
constexpr uint32_t kMsgPointerMove = 0x0200;
constexpr uint32_t kMsgPointerDown = 0x0201;
constexpr uint32_t kMsgPointerUp = 0x0202;
constexpr uint32_t kMsgPointerLeave = 0x02A3;
// The desktop program's settings key (F10) was pressed; it is no game key and never reaches play.
constexpr uint32_t kMsgSettings = 0x0110;
// While the settings screen waits for a new key or button (platform::setCapturing), a press is
// sent as one of these instead of a game key: wordParam is the key's USB HID usage, or the
// button's number in SDL's controller layout. Its release is not sent.
constexpr uint32_t kMsgBindKey = 0x0111;
constexpr uint32_t kMsgBindButton = 0x0112;

constexpr uint32_t kKeyAction = 0x0D;
constexpr uint32_t kKeyLeft = 0x25;
constexpr uint32_t kKeyUp = 0x26;
constexpr uint32_t kKeyRight = 0x27;
constexpr uint32_t kKeyDown = 0x28;
constexpr uint32_t kKeyHome = 0x5B;
constexpr uint32_t kKeyLeftSoft = 0x70;
constexpr uint32_t kKeyRightSoft = 0x71;

struct Message {
    uint32_t id = 0;
    uint32_t wordParam = 0;
    int32_t longParam = 0;
};

// The pointer messages (the mouse or a finger over the frame; down: a button pressed or a finger
// put down; leave: off the frame or lifted) carry its place in longParam as x | (y << 16), in
// frame pixels (x 0..175, y 0..219); back ends send nothing for a place off the frame but a
// leave. Packed and unpacked here.
constexpr int32_t packPointer(int x, int y) {
    return static_cast<int32_t>((static_cast<uint32_t>(x) & 0xFFFF) |
                                ((static_cast<uint32_t>(y) & 0xFFFF) << 16));
}
constexpr int pointerX(int32_t longParam) {
    return static_cast<int>(static_cast<uint32_t>(longParam) & 0xFFFF);
}
constexpr int pointerY(int32_t longParam) {
    return static_cast<int>(static_cast<uint32_t>(longParam) >> 16);
}

// Creates the one window (hidden until showWindow), full screen or at three times the frame's
// size. False when no window can be made.
bool createWindow(const std::string& title, bool fullScreen = true);
void showWindow();
void destroyWindow();

// Takes the next waiting message without waiting. A close request, SIGINT and SIGTERM arrive as
// a key-down of the home key. False when no message is waiting.
bool takeMessage(Message& message);

// Sleeps until a message arrives or `ms` milliseconds passed (0: only looks). The SDL back end
// wakes early, too, to repaint an uncovered window. The headless back end moves its virtual
// clock on instead, stopping at the first millisecond that has anything for the program.
void waitForMessage(uint32_t ms);

// Messages outside the game's own table end here.
int32_t defaultWindowProc(const Message& message);

}  // namespace platform
