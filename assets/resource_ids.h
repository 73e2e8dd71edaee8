// The ids of the bitmaps built into the program, one name each. The build embeds exactly the
// ids listed here (assets/CMakeLists.txt reads this file), so keep one id per line.
#pragma once

namespace resource {

// Screens, 176 x 220.
inline constexpr int kPlayBackground = 106;
inline constexpr int kAbout = 114;
inline constexpr int kGameOver = 116;
inline constexpr int kHighScores = 118;  // with its soft-key labels
inline constexpr int kKeyHelp = 119;
inline constexpr int kMenu = 120;
inline constexpr int kPause = 122;
inline constexpr int kVictory = 123;
inline constexpr int kNameEntry = 129;
inline constexpr int kOptions = 133;
inline constexpr int kTitle = 145;
inline constexpr int kStage = 161;
inline constexpr int kItemHelp = 165;
inline constexpr int kBrickHelp = 166;

// Parts of screens.
inline constexpr int kMenuHighlights = 121;
inline constexpr int kNameEntryGrid = 130;
inline constexpr int kOptionLabels = 134;
inline constexpr int kOptionBadges = 138;
inline constexpr int kStatusBar = 164;
inline constexpr int kSmallDigits = 115;  // the score, lives and level
inline constexpr int kBigDigits = 143;    // the stage number and the final score
inline constexpr int kIcon = 131;         // the window icon
inline constexpr int kScreenVariants = 167;  // the lines a touch screen and the web say instead

// Sprite sheets.
inline constexpr int kBalls = 152;
inline constexpr int kPaddle = 153;
inline constexpr int kBullet = 154;
inline constexpr int kFireBricks = 155;
inline constexpr int kGemBricks = 156;
inline constexpr int kHideBricks = 157;
inline constexpr int kMetalBricks = 158;
inline constexpr int kStableBricks = 159;
inline constexpr int kStoneBricks = 160;
inline constexpr int kItems = 162;
inline constexpr int kExplosion = 163;  // the fire bricks' blasts

}  // namespace resource
