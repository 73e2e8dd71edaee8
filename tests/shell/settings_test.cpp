// The settings store (Settings.txt): every setting through the file and back, damaged files,
// and the rule that a key or button serves one action only, in the file and on the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/common/input_map.h"
#include "settings/settings_screen.h"
#include "settings/settings_store.h"

namespace {
namespace fs = std::filesystem;
using platform::GameAction;

constexpr int at(GameAction action) {
    return static_cast<int>(action);
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("v2-settings-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file() const { return (dir / "Settings.txt").string(); }
    void write(const std::string& bytes) const { std::ofstream(file(), std::ios::binary) << bytes; }
    fs::path dir;
};

TEST_F(SettingsStoreTest, EverySettingRoundTrips) {
    Settings s;
    s.pace = 75;
    s.presentation = {true, true, true, 30, 0};
    s.pointerSensitivity = 150;
    s.touchOffset = 24;
    s.touchLayout = "left";
    std::string why;
    ASSERT_TRUE(platform::setKeys(s.inputMap, at(GameAction::Left), {"KeyA", "ArrowLeft"}, why));
    ASSERT_TRUE(platform::setButtons(s.inputMap, at(GameAction::Home), {"start"}, why));
    s.others = {{"later.setting", "7"}};
    ASSERT_TRUE(saveSettings(s, file()));
    EXPECT_EQ(loadSettings(file()), s);

    // As docs/settings.md writes them.
    std::ifstream in(file());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* line :
         {"\npace = 75\n", "\nlook.flash_safe = on\n", "\nvolume.effects = 0\n",
          "\nkey.left = KeyA, ArrowLeft\n", "\nkey.action = Enter, Space, NumpadEnter, Numpad5\n",
          "\npad.home = start\n", "\nlater.setting = 7\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // The defaults, written and read, are the defaults.
    ASSERT_TRUE(saveSettings(Settings{}, file()));
    EXPECT_EQ(loadSettings(file()), Settings{});
}

TEST_F(SettingsStoreTest, DamagedFilesGiveDefaultsForWhatCannotBeRead) {
    EXPECT_EQ(loadSettings(file()), Settings{});  // none yet

    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i * 37 % 256);
    write(binary);
    EXPECT_EQ(loadSettings(file()), Settings{});

    // Too long to be ours: not read at all, not even its first line.
    write("pace = 50\n" + std::string(kMaxSettingsBytes, '#'));
    EXPECT_EQ(loadSettings(file()), Settings{});

    fs::remove(file());
    fs::create_directory(file());  // not a file at all
    EXPECT_EQ(loadSettings(file()), Settings{});
    fs::remove(file());

    write(
        "pace = 60\r\n"         // not a pace
        "volume.music = 101\n"  // out of range
        "volume.effects = 30\n"
        "look.flash_safe = yes\n"  // neither on nor off
        "  look.high_contrast=on  \n"
        "# pace = 50\n"
        "nonsense\n"
        "key.up = NoSuchKey\n"
        "key.down = KeyS,\n"           // an empty name
        "key.right = A, B, C, D, E\n"  // too many
        "pad.left = x\x01y\n"          // a control character
        "pointer.sensitivity = 49\n"
        "pointer.sensitivity = 200");  // the last line wins, without its newline too
    Settings expected;
    expected.presentation.effectsVolume = 30;
    expected.presentation.highContrast = true;
    expected.pointerSensitivity = 200;
    EXPECT_EQ(loadSettings(file()), expected);
}

TEST(InputMapRule, AKeyOrButtonServesOneActionOnly) {
    const platform::InputMap defaults = platform::InputMap::defaults();
    // Two actions asking for one key both keep their defaults; so does an action asking for a
    // key another keeps by default; a swap is no conflict; F10 and F11 are the program's own.
    Settings s = parseSettings(
        "key.left = KeyA\nkey.right = KeyA\n"
        "key.action = ArrowLeft, KeyQ\n"
        "key.up = ArrowDown\nkey.down = ArrowUp\n"
        "key.home = F10\n"
        "pad.soft_left = a\npad.soft_right = b\n");
    const auto& keys = s.inputMap.keys;
    EXPECT_EQ(keys[at(GameAction::Left)], defaults.keys[at(GameAction::Left)]);
    EXPECT_EQ(keys[at(GameAction::Right)], defaults.keys[at(GameAction::Right)]);
    EXPECT_EQ(keys[at(GameAction::Action)], defaults.keys[at(GameAction::Action)]);
    EXPECT_EQ(keys[at(GameAction::Up)], (platform::Bindings{"ArrowDown"}));
    EXPECT_EQ(keys[at(GameAction::Down)], (platform::Bindings{"ArrowUp"}));
    EXPECT_EQ(keys[at(GameAction::Home)], defaults.keys[at(GameAction::Home)]);
    // "a" is the action's by default: soft left may not take it; soft right takes b.
    EXPECT_EQ(s.inputMap.buttons[at(GameAction::SoftLeft)],
              defaults.buttons[at(GameAction::SoftLeft)]);
    EXPECT_EQ(s.inputMap.buttons[at(GameAction::SoftRight)], (platform::Bindings{"b"}));

    std::string why;
    platform::InputMap map = defaults;
    EXPECT_FALSE(platform::setKeys(map, at(GameAction::Left), {"ArrowRight"}, why));
    EXPECT_EQ(why, "ArrowRight is for right");
    EXPECT_EQ(map, defaults);

    // On the screen: left's first key, then a key right has: refused with the reason, still
    // waiting; Escape gives up; then a free key is taken, left keeping its second key.
    SettingsScreen screen{Settings{}};
    for (int i = 0; i < 7; ++i) screen.pressKey(platform::kKeyDown);
    ASSERT_EQ(screen.selection(), 7);  // "Keys"
    screen.pressKey(platform::kKeyAction);
    ASSERT_EQ(screen.page(), SettingsScreen::Page::Keys);
    for (int i = 0; i < 4; ++i) screen.pressKey(platform::kKeyDown);  // left, first key
    screen.pressKey(platform::kKeyAction);
    ASSERT_TRUE(screen.capturing());
    const uint32_t arrowRight = platform::usageForKeyName("ArrowRight");
    EXPECT_EQ(screen.bindKey(arrowRight), SettingsScreen::Outcome::Stay);
    EXPECT_EQ(screen.message(), "ArrowRight is for right");
    EXPECT_TRUE(screen.capturing());
    EXPECT_EQ(screen.bindKey(platform::usageForKeyName("Escape")), SettingsScreen::Outcome::Stay);
    EXPECT_FALSE(screen.capturing());
    EXPECT_EQ(screen.settings(), Settings{});
    screen.pressKey(platform::kKeyAction);
    EXPECT_EQ(screen.bindKey(platform::usageForKeyName("KeyA")), SettingsScreen::Outcome::Changed);
    EXPECT_EQ(screen.settings().inputMap.keys[at(GameAction::Left)],
              (platform::Bindings{"KeyA", "Numpad4"}));
}

}  // namespace
