#include "app/config_dialog.h"

#include <array>
#include <cctype>
#include <utility>

#include "app/about_box.h"
#include "core/cp1251.h"
#include "platform/gfx/unknown.h"
#include "render/device/device_enumeration.h"

namespace app {

namespace {

using namespace config_id;

struct Label {
    int id;
    const char* key;
    const char* suffix;
};

// Every label the text table replaces, in the template's order.
constexpr std::array<Label, 25> kLabels = {{
    {1013, "video_mode_selection", ""},
    {kUseDesktop, "use_desktop_settings", ""},
    {1014, "sound_control", ""},
    {kVolumeLabel, "master_volume:", ""},
    {kMusic, "enable_music", ""},
    {kSound, "enable_sfx", ""},
    {1015, "graphics", ""},
    {kGammaLabel, "gamma_control:", " 100%"},
    {1016, "put_your_picture_in_the_frame", ""},
    {1008, "browse", ""},
    {1017, "path", ""},
    {1010, "restore_default_picture", ""},
    {1025, "misc_options", ""},
    {kShowFps, "show_fps", ""},
    {kShowTime, "show_time", ""},
    {kExitOnMouseMove, "exit_on_mouse_move", ""},
    {kTwentyFourHour, "24h_style", ""},
    {kTwelveHour, "12h_style", ""},
    {1018, "products", ""},
    {1019, "visit_our_official_web-site_for_more_great_3d_screensavers", ""},
    {kVisit, "visit...", ""},
    {kAbout, "about", "..."},
    {kRestoreDefaults, "restore_defaults", ""},
    {platform::IDOK, "ok", ""},
    {platform::IDCANCEL, "cancel", ""},
}};

// The labels that take a mnemonic, in the order they choose one: OK and Cancel first, so they keep
// their usual letters, then the template's order. The volume, gamma and path labels lend theirs
// to the control beside them.
constexpr std::array<int, 18> kMnemonicOrder = {platform::IDOK,
                                                platform::IDCANCEL,
                                                kUseDesktop,
                                                kVolumeLabel,
                                                kMusic,
                                                kSound,
                                                kGammaLabel,
                                                1008,
                                                1017,
                                                1010,
                                                kShowFps,
                                                kShowTime,
                                                kExitOnMouseMove,
                                                kTwentyFourHour,
                                                kTwelveHour,
                                                kVisit,
                                                kAbout,
                                                kRestoreDefaults};

bool IsWordStart(const std::string& text, std::size_t i) {
    return i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]));
}

void SetLabels(const ConfigDialogContext& context, platform::DialogWindow& dialog) {
    dialog.SetCaption(core::Cp1251ToUtf8(context.texts.GetText("screensaver_configuration")));
    std::vector<std::pair<int, std::string>> texts;
    for (const Label& label : kLabels) {
        texts.emplace_back(label.id,
                           core::Cp1251ToUtf8(context.texts.GetText(label.key)) + label.suffix);
    }
    std::vector<std::string> mnemonicLabels;
    for (int id : kMnemonicOrder) {
        for (const auto& [textId, text] : texts) {
            if (textId == id) {
                mnemonicLabels.push_back(text);
            }
        }
    }
    const std::vector<std::string> marked = WithMnemonics(mnemonicLabels);
    for (auto& [id, text] : texts) {
        std::size_t index = 0;
        for (; index < kMnemonicOrder.size() && kMnemonicOrder[index] != id; ++index) {
        }
        if (index < marked.size()) {
            text = marked[index];
        } else {
            // Labels without mnemonic still show a '&' of their own as it is.
            std::string escaped;
            for (char c : text) {
                escaped += c == '&' ? "&&" : std::string(1, c);
            }
            text = std::move(escaped);
        }
        dialog.SetItemText(id, text);
    }
}

void EnableVolume(const SaverSettings& settings, platform::DialogWindow& dialog) {
    const bool on = settings.Music || settings.Sound;
    dialog.EnableItem(kVolume, on);
    dialog.EnableItem(kVolumeLabel, on);
}

void EnableTimeStyle(const SaverSettings& settings, platform::DialogWindow& dialog) {
    dialog.EnableItem(kTwelveHour, settings.ShowTime);
    dialog.EnableItem(kTwentyFourHour, settings.ShowTime);
}

// Shows the settings in the controls and fills the mode list; false (after the error box, with
// the dialog ended) when there is no graphics runtime to ask for the modes.
bool Refresh(ConfigDialogContext& context, platform::DialogWindow& dialog) {
    const auto runtime = gfx::Ref<gfx::Runtime>::Adopt(
        context.createRuntime ? context.createRuntime() : gfx::CreateRuntime());
    if (!runtime) {
        context.messageBox.Show(0, kNoRuntimeText, "Error", platform::MB_OK);
        dialog.EndDialog(0);
        return false;
    }
    const SaverSettings& settings = context.settings;
    dialog.SetTrackbarRange(kGamma, -100, 100);
    dialog.SetTrackbarPos(kGamma, settings.Gamma);
    dialog.SetTrackbarRange(kVolume, 0, 100);
    dialog.SetTrackbarPos(kVolume, settings.Volume);

    dialog.CheckRadioButton(kTwelveHour, kTwentyFourHour,
                            settings.TimeStyle ? kTwentyFourHour : kTwelveHour);
    dialog.CheckItem(kShowTime, settings.ShowTime);
    EnableTimeStyle(settings, dialog);

    dialog.CheckItem(kMusic, settings.Music);
    dialog.CheckItem(kSound, settings.Sound);
    EnableVolume(settings, dialog);
    dialog.CheckItem(kShowFps, settings.ShowFps);
    dialog.CheckItem(kExitOnMouseMove, settings.ExitOnMM);
    dialog.CheckItem(kUseDesktop, settings.UseDesktop);
    dialog.EnableItem(kModeList, !settings.UseDesktop);

    gfx::D3DDISPLAYMODE desktop{};
    if (runtime->GetAdapterDisplayMode(0, &desktop) != gfx::S_OK) {
        desktop = {};
    }
    if (!context.state.placed) {
        context.state.placed = true;
        dialog.MoveWindow((static_cast<int>(desktop.Width) - 530) / 2,
                          (static_cast<int>(desktop.Height) - 440) / 2);
    }

    render::DeviceEnumeration enumeration;
    enumeration.SetRuntime(runtime.get());
    enumeration.Enumerate();
    context.state.modes = BuildModeList(enumeration.Adapters(), settings, desktop);
    dialog.ResetList(kModeList);
    for (const ModeEntry& entry : context.state.modes.entries) {
        dialog.AddListItem(kModeList, entry.text);
    }
    const auto selected = context.state.modes.selected;
    dialog.SetListSelection(kModeList, selected ? static_cast<int>(*selected) : -1);
    enumeration.SetRuntime(nullptr);
    return true;
}

bool OnCommand(ConfigDialogContext& context, platform::DialogWindow& dialog, int id) {
    SaverSettings& settings = context.settings;
    switch (id) {
        case kMusic:
        case kSound:
            (id == kMusic ? settings.Music : settings.Sound) = dialog.IsItemChecked(id);
            EnableVolume(settings, dialog);
            return true;
        case kShowFps:
            settings.ShowFps = dialog.IsItemChecked(id);
            return true;
        case kExitOnMouseMove:
            settings.ExitOnMM = dialog.IsItemChecked(id);
            return true;
        case kShowTime:
            settings.ShowTime = dialog.IsItemChecked(id);
            EnableTimeStyle(settings, dialog);
            return true;
        case kTwentyFourHour:
        case kTwelveHour:
            if (dialog.IsItemChecked(id)) {
                settings.TimeStyle = id == kTwentyFourHour;
            }
            return true;
        case kUseDesktop:
            settings.UseDesktop = dialog.IsItemChecked(id);
            dialog.EnableItem(kModeList, !settings.UseDesktop);
            return true;
        case kRestoreDefaults:
            context.defaults.LoadDefaults(settings);
            Refresh(context, dialog);
            return true;
        case kVisit:
            context.urlOpener.Open(context.defaults.GetDefault("main_web_site_url"));
            return true;
        case kAbout:
            ShowAboutBox(context.resources, context.texts, context.dialogs, dialog.Handle(),
                         dialog.WindowOrigin());
            return true;
        case platform::IDOK: {
            const int selected = dialog.GetListSelection(kModeList);
            const auto& entries = context.state.modes.entries;
            if (selected >= 0 && static_cast<std::size_t>(selected) < entries.size()) {
                ApplyModeEntry(entries[static_cast<std::size_t>(selected)], settings);
            }
            if (context.writeSettings) {
                context.writeSettings();
            }
            dialog.EndDialog(platform::IDOK);
            return true;
        }
        case platform::IDCANCEL:
            dialog.EndDialog(platform::IDCANCEL);
            return true;
        default:
            return false;
    }
}

}  // namespace

bool ApplicationDialogPart(ConfigDialogContext& context, platform::DialogWindow& dialog,
                           std::uint32_t message, platform::WPARAM wParam,
                           platform::LPARAM lParam) {
    switch (message) {
        case platform::WM_INITDIALOG:
            context.state = {};
            SetLabels(context, dialog);
            Refresh(context, dialog);
            return true;
        case platform::WM_COMMAND:
            // Only clicks act; list and edit changes are read when OK is pressed.
            if ((wParam >> 16) != platform::BN_CLICKED) {
                return false;
            }
            return OnCommand(context, dialog, static_cast<int>(wParam & 0xFFFF));
        case platform::WM_HSCROLL:
            if (lParam == kVolume) {
                context.settings.Volume = dialog.GetTrackbarPos(kVolume);
                return true;
            }
            if (lParam == kGamma) {
                context.settings.Gamma = dialog.GetTrackbarPos(kGamma);
                return true;
            }
            return false;
        default:
            return false;
    }
}

std::vector<std::string> WithMnemonics(const std::vector<std::string>& labels) {
    std::array<bool, 256> taken{};
    std::vector<std::string> result;
    for (const std::string& label : labels) {
        const auto usable = [&](std::size_t i) {
            const auto c = static_cast<unsigned char>(label[i]);
            return c < 0x80 && std::isalnum(c) && !taken[std::size_t(std::tolower(c))];
        };
        std::size_t chosen = std::string::npos;
        for (std::size_t i = 0; i < label.size() && chosen == std::string::npos; ++i) {
            if (usable(i) && IsWordStart(label, i)) {
                chosen = i;
            }
        }
        for (std::size_t i = 0; i < label.size() && chosen == std::string::npos; ++i) {
            if (usable(i)) {
                chosen = i;
            }
        }
        std::string marked;
        for (std::size_t i = 0; i < label.size(); ++i) {
            if (i == chosen) {
                marked += '&';
                taken[std::size_t(std::tolower(static_cast<unsigned char>(label[i])))] = true;
            }
            marked += label[i] == '&' ? "&&" : std::string(1, label[i]);
        }
        result.push_back(std::move(marked));
    }
    return result;
}

}  // namespace app
