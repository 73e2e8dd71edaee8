// SettingsScreen: the rows of its three pages, their keys and pointer, and their picture.
#include "settings/settings_screen.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "graphics/canvas.h"
#include "graphics/fixed.h"
#include "platform/common/pixel_font.h"

namespace {

using platform::kGameActions;

// The main page's rows.
enum MainRow {
    kPace,
    kContrast,
    kFlashSafe,
    kCues,
    kMusic,
    kEffects,
    kPointer,
    kKeys,
    kPad,
    kBack
};
constexpr int kMainRows = kBack + 1;
// The keys and gamepad pages: two rows (first and second key) per action, then these.
constexpr int kSlotRows = 2 * kGameActions;
constexpr int kDefaultsRow = kSlotRows;
constexpr int kPageRows = kSlotRows + 2;  // ... "Defaults", "Back"

constexpr int kTop = 16;       // the first row's top
constexpr int kMainStep = 14;  // row pitch on the main page
constexpr int kSlotStep = 10;  // and on the key pages
constexpr int kHelpY = 166;    // the main page's help text
constexpr int kMessageY = 198;
constexpr int kHintY = 209;
constexpr int kVolumeStep = 10;
constexpr int kSensitivityStep = 10;

constexpr uint32_t kField = 0x301808;  // dark blue (red in the low byte)
constexpr uint32_t kBar = 0x704010;    // the chosen row's bar
constexpr uint32_t kText = 0xFFFFFF;
constexpr uint32_t kDim = 0xB0B0B0;
constexpr uint32_t kNotice = 0x60C0FF;  // orange: a refusal
constexpr uint32_t kTitle = 0x40FFFF;   // yellow

constexpr std::string_view kActionLabels[kGameActions] = {"Up",     "Down",   "Left",   "Right",
                                                          "Action", "Soft L", "Soft R", "Home"};

void drawString(Canvas& canvas, int x, int y, std::string_view text, uint32_t colour) {
    for (char c : text) {
        const platform::Glyph& glyph = platform::glyphFor(static_cast<unsigned char>(c));
        for (int row = 0; row < platform::kFontCellHeight; ++row)
            for (int column = 0; column < platform::kFontGlyphWidth; ++column)
                if (platform::glyphInk(glyph, column, row))
                    canvas.setPixel(px(x + column), px(y + row), colour);
        x += platform::kFontCellWidth;
    }
}

void fillRect(Canvas& canvas, int x, int y, int w, int h, uint32_t colour) {
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column) canvas.setPixel(px(column), px(row), colour);
}

std::string percent(int value) {
    return std::to_string(value) + "%";
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

}  // namespace

int SettingsScreen::rows() const {
    return page_ == Page::Main ? kMainRows : kPageRows;
}

int SettingsScreen::rowAt(int y) const {
    const int step = page_ == Page::Main ? kMainStep : kSlotStep;
    if (y < kTop) return -1;
    const int row = (y - kTop) / step;
    return row < rows() ? row : -1;
}

SettingsScreen::Outcome SettingsScreen::pressKey(uint32_t gameKey) {
    if (capturing_) return Outcome::Stay;
    message_.clear();
    switch (gameKey) {
        case platform::kKeyUp:
            selection_ = (selection_ + rows() - 1) % rows();
            return Outcome::Stay;
        case platform::kKeyDown:
            selection_ = (selection_ + 1) % rows();
            return Outcome::Stay;
        case platform::kKeyLeft:
            return change(-1);
        case platform::kKeyRight:
            return change(1);
        case platform::kKeyAction:
            return choose();
        case platform::kKeyHome:
        case platform::kKeyLeftSoft:
        case platform::kKeyRightSoft:
            if (page_ == Page::Main) return Outcome::Close;
            leavePage();
            return Outcome::Stay;
        default:
            return Outcome::Stay;
    }
}

void SettingsScreen::leavePage() {
    selection_ = page_ == Page::Keys ? kKeys : kPad;
    page_ = Page::Main;
}

SettingsScreen::Outcome SettingsScreen::change(int direction) {
    if (page_ != Page::Main) return Outcome::Stay;
    Presentation& look = settings_.presentation;
    switch (selection_) {
        case kPace: {
            if (gameInPlay_) {
                message_ = "Pace: not during a game";
                return Outcome::Stay;
            }
            // 100, 75, 50: right slows the game down, left speeds it up.
            const int next = settings_.pace - 25 * direction;
            if (next < 50 || next > 100) return Outcome::Stay;
            settings_.pace = next;
            return Outcome::Changed;
        }
        case kContrast:
            look.highContrast = !look.highContrast;
            return Outcome::Changed;
        case kFlashSafe:
            look.flashSafe = !look.flashSafe;
            return Outcome::Changed;
        case kCues:
            look.soundCues = !look.soundCues;
            return Outcome::Changed;
        case kMusic:
        case kEffects: {
            int& volume = selection_ == kMusic ? look.musicVolume : look.effectsVolume;
            const int next = std::clamp(volume + kVolumeStep * direction, 0, 100);
            if (next == volume) return Outcome::Stay;
            volume = next;
            return Outcome::Changed;
        }
        case kPointer: {
            const int next = std::clamp(settings_.pointerSensitivity + kSensitivityStep * direction,
                                        Settings::kMinSensitivity, Settings::kMaxSensitivity);
            if (next == settings_.pointerSensitivity) return Outcome::Stay;
            settings_.pointerSensitivity = next;
            return Outcome::Changed;
        }
        default:
            return Outcome::Stay;
    }
}

SettingsScreen::Outcome SettingsScreen::choose() {
    if (page_ == Page::Main) {
        switch (selection_) {
            case kKeys:
            case kPad:
                page_ = selection_ == kKeys ? Page::Keys : Page::Gamepad;
                selection_ = 0;
                return Outcome::Stay;
            case kBack:
                return Outcome::Close;
            case kPace:
                if (gameInPlay_) {
                    message_ = "Pace: not during a game";
                    return Outcome::Stay;
                }
                // Action steps the pace round: 100, 75, 50, 100.
                settings_.pace = settings_.pace == 50 ? 100 : settings_.pace - 25;
                return Outcome::Changed;
            default:
                return selection_ <= kCues ? change(1) : Outcome::Stay;
        }
    }
    if (selection_ == kDefaultsRow) {
        const platform::InputMap defaults = platform::InputMap::defaults();
        if (page_ == Page::Keys)
            settings_.inputMap.keys = defaults.keys;
        else
            settings_.inputMap.buttons = defaults.buttons;
        return Outcome::Changed;
    }
    if (selection_ > kDefaultsRow) {
        leavePage();
        return Outcome::Stay;
    }
    capturing_ = true;
    return Outcome::Stay;
}

SettingsScreen::Outcome SettingsScreen::bindKey(uint32_t usage) {
    if (!capturing_ || page_ != Page::Keys) return Outcome::Stay;
    const std::string name(platform::keyNameForUsage(usage));
    // Escape and the home key cancel.
    if (name == "Escape" || platform::actionOfKey(settings_.inputMap, name) ==
                                static_cast<int>(platform::GameAction::Home)) {
        capturing_ = false;
        message_.clear();
        return Outcome::Stay;
    }
    if (name.empty()) {
        message_ = "That key has no name";
        return Outcome::Stay;
    }
    return bind(name, false);
}

SettingsScreen::Outcome SettingsScreen::bindButton(int sdlButton) {
    if (!capturing_) return Outcome::Stay;
    const std::string name(platform::buttonName(sdlButton));
    if (name.empty()) return Outcome::Stay;
    if (platform::actionOfButton(settings_.inputMap, name) ==
        static_cast<int>(platform::GameAction::Home)) {
        capturing_ = false;
        message_.clear();
        return Outcome::Stay;
    }
    if (page_ != Page::Gamepad) {
        message_ = "Press a key";
        return Outcome::Stay;
    }
    return bind(name, true);
}

// The action's first or second key becomes `name`; the action keeps at most these two.
SettingsScreen::Outcome SettingsScreen::bind(const std::string& name, bool button) {
    const int action = selection_ / 2;
    const int slot = selection_ % 2;
    platform::InputMap& map = settings_.inputMap;
    platform::Bindings names = button ? map.buttons[action] : map.keys[action];
    for (int i = 2; i < platform::kMaxBindings; ++i) names[i].clear();
    names[slot] = name;
    if (names[0].empty()) std::swap(names[0], names[1]);
    std::string why;
    const bool ok = button ? platform::setButtons(map, action, names, why)
                           : platform::setKeys(map, action, names, why);
    if (!ok) {
        message_ = why;
        return Outcome::Stay;  // still waiting: another key, or Escape
    }
    capturing_ = false;
    message_.clear();
    return Outcome::Changed;
}

SettingsScreen::Outcome SettingsScreen::pointer(const platform::Message& message) {
    if (capturing_) return Outcome::Stay;
    const int row = rowAt(platform::pointerY(message.longParam));
    if (message.id == platform::kMsgPointerMove && row >= 0) selection_ = row;
    if (message.id != platform::kMsgPointerDown || row < 0) return Outcome::Stay;
    selection_ = row;
    message_.clear();
    // On a value, the left half of the frame lowers it and the right half raises it.
    if (page_ == Page::Main && row <= kPointer && row != kPace && row > kCues)
        return change(platform::pointerX(message.longParam) < platform::kFrameWidth / 2 ? -1 : 1);
    return choose();
}

void SettingsScreen::draw(Canvas& canvas) const {
    fillRect(canvas, 0, 0, platform::kFrameWidth, platform::kFrameHeight, kField);
    const std::string_view title = page_ == Page::Main   ? "SETTINGS"
                                   : page_ == Page::Keys ? "KEYS"
                                                         : "GAMEPAD";
    drawString(canvas, (platform::kFrameWidth - 6 * static_cast<int>(title.size())) / 2, 3, title,
               kTitle);
    const int step = page_ == Page::Main ? kMainStep : kSlotStep;
    auto rowY = [&](int row) { return kTop + row * step; };
    fillRect(canvas, 0, rowY(selection_) - 1, platform::kFrameWidth, step - 1, kBar);
    if (page_ == Page::Main) {
        const Presentation& look = settings_.presentation;
        const std::array<std::pair<std::string_view, std::string>, kMainRows> rows = {{
            {"Pace", percent(settings_.pace)},
            {"High contrast", onOff(look.highContrast)},
            {"Flash-safe", onOff(look.flashSafe)},
            {"Sound cues", onOff(look.soundCues)},
            {"Music volume", percent(look.musicVolume)},
            {"Effects volume", percent(look.effectsVolume)},
            {"Pointer", percent(settings_.pointerSensitivity)},
            {"Keys", ">"},
            {"Gamepad", ">"},
            {"Back", ""},
        }};
        for (int row = 0; row < kMainRows; ++row) {
            drawString(canvas, 6, rowY(row) + 2, rows[row].first, kText);
            drawString(canvas, 128, rowY(row) + 2, rows[row].second, kText);
        }
        drawString(canvas, 6, kHelpY, "F10 opens and closes", kDim);
        drawString(canvas, 6, kHelpY + 10, "these settings.", kDim);
    } else {
        const bool keys = page_ == Page::Keys;
        for (int action = 0; action < kGameActions; ++action) {
            const platform::Bindings& names =
                keys ? settings_.inputMap.keys[action] : settings_.inputMap.buttons[action];
            int more = 0;
            for (int i = 2; i < platform::kMaxBindings; ++i) more += names[i].empty() ? 0 : 1;
            for (int slot = 0; slot < 2; ++slot) {
                const int row = 2 * action + slot;
                const bool awaited = capturing_ && row == selection_;
                if (slot == 0) drawString(canvas, 6, rowY(row), kActionLabels[action], kText);
                drawString(canvas, 48, rowY(row), slot == 0 ? "1" : "2", kDim);
                std::string shown = awaited ? (keys ? "press a key" : "press a button")
                                    : names[slot].empty() ? "-"
                                                          : names[slot];
                if (slot == 1 && more > 0 && !awaited) shown += " +" + std::to_string(more);
                drawString(canvas, 60, rowY(row), shown, awaited ? kTitle : kText);
            }
        }
        drawString(canvas, 6, rowY(kDefaultsRow), "Defaults", kText);
        drawString(canvas, 6, rowY(kDefaultsRow + 1), "Back", kText);
    }
    if (!message_.empty()) drawString(canvas, 2, kMessageY, message_, kNotice);
    const std::string_view hint = capturing_            ? "Escape: cancel"
                                  : page_ == Page::Main ? "Left/right: change  Esc: back"
                                                        : "Action: set  Esc: back";
    drawString(canvas, 2, kHintY, hint, kDim);
}
