// The shell's part of the settings dialog (dialog 132): the labels from the text table, the mode
// list from the graphics runtime's enumeration, the sound, gamma and overlay controls, "Visit...",
// "About...", "Restore Defaults", OK and Cancel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/default_settings.h"
#include "app/mode_list.h"
#include "app/saver_settings.h"
#include "app/text_table.h"
#include "platform/dialog.h"
#include "platform/gfx/runtime.h"
#include "platform/message_box.h"
#include "platform/open_url.h"
#include "platform/resources.h"

namespace app {

inline constexpr std::uint32_t kConfigDialogId = 132;

namespace config_id {
inline constexpr int kModeList = 1011;
inline constexpr int kUseDesktop = 1012;
inline constexpr int kVolumeLabel = 1023;
inline constexpr int kVolume = 1020;
inline constexpr int kMusic = 1021;
inline constexpr int kSound = 1022;
inline constexpr int kGammaLabel = 1106;
inline constexpr int kGamma = 1046;
inline constexpr int kShowFps = 1044;
inline constexpr int kShowTime = 1119;
inline constexpr int kExitOnMouseMove = 1045;
inline constexpr int kTwentyFourHour = 1112;
inline constexpr int kTwelveHour = 1111;
inline constexpr int kVisit = 1061;
inline constexpr int kAbout = 1062;
inline constexpr int kRestoreDefaults = 1063;
}  // namespace config_id

inline constexpr const char* kNoRuntimeText = "Cannot initialize D3D, please reinstall DX9";

// What the dialog remembers between messages.
struct ConfigDialogState {
    // Set once the dialog has been placed; "Restore Defaults" refills without moving it.
    bool placed = false;
    // The entries of the mode list, index for index.
    ModeList modes;
};

// What the shell's part works on and with.
struct ConfigDialogContext {
    SaverSettings& settings;
    const TextTable& texts;
    const DefaultSettings& defaults;
    const platform::Resources& resources;
    platform::Dialogs& dialogs;
    platform::UrlOpener& urlOpener;
    platform::MessageBox& messageBox;
    // Makes a runtime with one reference for the caller; null when there is none.
    std::function<gfx::Runtime*()> createRuntime;
    // Stores the settings (the application's WriteSettings).
    std::function<bool()> writeSettings;
    ConfigDialogState& state;
};

// The shell's dialog procedure; true when it handled the message.
bool ApplicationDialogPart(ConfigDialogContext& context, platform::DialogWindow& dialog,
                           std::uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam);

// Gives each label a mnemonic ('&' before it), earlier labels first: the first letter of a word
// no earlier label took, else any such letter or digit, else none. A '&' already in a label is
// kept as a plain '&' ("&&").
std::vector<std::string> WithMnemonics(const std::vector<std::string>& labels);

}  // namespace app
