// The runtime's key-code space (0-511): keyboard keys, mouse buttons, joystick buttons
// and touch fingers all share it, so a press reads the same wherever it came from.
#pragma once

namespace keys {

constexpr int kCount = 512;
constexpr int kMouseLeft = 1;
constexpr int kBackspace = 8, kTab = 9, kEnter = 13;
constexpr int kShift = 16, kControl = 17, kEscape = 27, kSpace = 32;
constexpr int kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36;
constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr int kInsert = 45, kDelete = 46;
constexpr int kBackquote = 192;
constexpr int kJoyButtons = 256;  // 256 + 32 × port + button
constexpr int kTouch = 384;       // 384 + finger
constexpr int kBack = 416;
constexpr int kClose = 432;
// Letter keys carry their capital's character code.
constexpr int Letter(char capital) {
    return capital;
}

// The character a key press produces by itself, or 0; printable characters come from
// the window system's character events instead. Navigation keys map above the 16-bit
// range (code + 0x10000) so they never collide with typed text.
int KeyToChar(int code);

}  // namespace keys
