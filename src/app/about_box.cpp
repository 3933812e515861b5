#include "app/about_box.h"

#include "core/cp1251.h"
#include "platform/message_box.h"

namespace app {

std::intptr_t ShowAboutBox(const platform::Resources& resources, const TextTable& texts,
                           platform::Dialogs& dialogs, platform::WindowHandle owner,
                           std::optional<std::pair<int, int>> ownerTopLeft) {
    const auto bytes = resources.Find("DIALOG", kAboutBoxDialogId);
    const auto dialogTemplate = bytes ? platform::ParseDialogTemplate(*bytes) : std::nullopt;
    if (!dialogTemplate) {
        return -1;
    }
    return dialogs.RunModal(
        *dialogTemplate, owner,
        [&texts, ownerTopLeft](platform::DialogWindow& dialog, std::uint32_t message,
                               platform::WPARAM wParam, platform::LPARAM) {
            if (message == platform::WM_INITDIALOG) {
                dialog.SetCaption(core::Cp1251ToUtf8(texts.GetText("about")));
                dialog.SetItemText(platform::IDOK, core::Cp1251ToUtf8(texts.GetText("ok")));
                const auto lines = SplitAboutText(texts.GetText("about_window_text"));
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    dialog.SetItemText(kAboutFirstLineId + static_cast<int>(i),
                                       core::Cp1251ToUtf8(lines[i]));
                }
                if (ownerTopLeft) {
                    dialog.MoveWindow(ownerTopLeft->first + 140, ownerTopLeft->second + 150);
                }
                return true;
            }
            if (message == platform::WM_COMMAND) {
                const auto id = static_cast<int>(wParam & 0xFFFF);
                if (id == platform::IDOK || id == platform::IDCANCEL) {
                    dialog.EndDialog(id);
                    return true;
                }
            }
            return false;
        });
}

}  // namespace app
