#include "app/version_notice.h"

namespace app {

std::intptr_t ShowVersionNotice(const platform::Resources& resources, platform::Dialogs& dialogs,
                                platform::UrlOpener& urlOpener, std::string_view url) {
    const auto bytes = resources.Find("DIALOG", kVersionNoticeDialogId);
    if (!bytes) {
        return -1;
    }
    const auto dialogTemplate = platform::ParseDialogTemplate(*bytes);
    if (!dialogTemplate) {
        return -1;
    }
    const std::intptr_t button =
        dialogs.RunModal(*dialogTemplate, 0,
                         [](platform::DialogWindow& dialog, std::uint32_t message,
                            platform::WPARAM wParam, platform::LPARAM) {
                             if (message == platform::WM_INITDIALOG) {
                                 dialog.SetWindowPos(300, 300, 390, 131);
                                 return true;
                             }
                             if (message == platform::WM_COMMAND) {
                                 const auto id = static_cast<int>(wParam & 0xFFFF);
                                 if (id == 1 || id == 2) {
                                     dialog.EndDialog(id);
                                     return true;
                                 }
                             }
                             return false;
                         });
    if (button == 1) {
        urlOpener.Open(url);
    }
    return button;
}

}  // namespace app
