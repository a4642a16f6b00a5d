#pragma once

namespace tabulon {

// Modifier mask bits.
inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;

// Virtual-key codes.
inline constexpr int kVkTab = 9;
inline constexpr int kVkReturn = 13;
inline constexpr int kVkEscape = 27;
inline constexpr int kVkHome = 36;
inline constexpr int kVkLeft = 37;
inline constexpr int kVkUp = 38;
inline constexpr int kVkRight = 39;
inline constexpr int kVkDown = 40;
inline constexpr int kVkInsert = 45;
inline constexpr int kVk0 = 48;
inline constexpr int kVk9 = 57;
inline constexpr int kVkB = 66;
inline constexpr int kVkD = 68;
inline constexpr int kVkE = 69;
inline constexpr int kVkH = 72;
inline constexpr int kVkJ = 74;
inline constexpr int kVkN = 78;
inline constexpr int kVkP = 80;
inline constexpr int kVkR = 82;
inline constexpr int kVkT = 84;
inline constexpr int kVkW = 87;
inline constexpr int kVkNumpad0 = 96;
inline constexpr int kVkNumpad9 = 105;
inline constexpr int kVkF1 = 112;
inline constexpr int kVkF2 = 113;
inline constexpr int kVkF3 = 114;
inline constexpr int kVkF11 = 122;

}  // namespace tabulon
